#pragma once

#include <QPixmap>
#include <QString>
#include <cstdint>

class QPainter;
class QRect;

namespace quillan::dialogs {

// The new-project wizard's header: the page's title and subtitle on the application's dark
// gradient, its picture at the right. The subtitle may hold line breaks.
void paintWizardHeader(QPainter& painter, const QRect& area, const QString& title,
                       const QString& subtitle);

// A band's stretch of the radio spectrum with its channels side by side and the chosen one
// picked out; a channel outside the band picks out none.
[[nodiscard]] QPixmap bandPicture(uint16_t band, int channel, QSize size);

} // namespace quillan::dialogs

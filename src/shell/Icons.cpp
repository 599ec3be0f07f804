#include "shell/Icons.h"

#include <QColor>
#include <QPainter>

namespace quillan::shell {

namespace {

QPixmap marker(QSize size, const QColor& fill)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(fill.darker(160));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2.5, 2.5, size.height() - 5, size.height() - 5), 2, 2);
    return pixmap;
}

} // namespace

QPixmap treeImage(int index)
{
    if (index < 0 || index >= TREE_IMAGE_COUNT) {
        return {};
    }
    const QSize size(24, 16);
    switch (index) {
    case TREE_IMAGE_ROOT:
        return marker(size, QColor("#d29922"));
    case TREE_IMAGE_MODBUS_MODULE:
        return marker(size, QColor("#3fb950"));
    case TREE_IMAGE_GATEWAY:
        return marker(size, QColor("#1f6feb"));
    default:
        return marker(size, QColor("#8b949e"));
    }
}

QPixmap rowImage(int index)
{
    if (index < 0) {
        return {};
    }
    return marker(QSize(16, 16), QColor::fromHsv((index * 47) % 360, 140, 210));
}

QIcon commandIcon(Command)
{
    return {};
}

} // namespace quillan::shell

#include "dialogs/WizardPictures.h"

#include "dialogs/WizardSummary.h"
#include "model/Site.h"
#include "shell/Icons.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <cmath>

namespace quillan::dialogs {

namespace {

struct BandLook {
    QColor accent;
    int firstChannel;
    int channels;
    const char* low;
    const char* high;
};

BandLook bandLook(uint16_t band)
{
    switch (band) {
    case band868:
        return {QColor("#3fc1a9"), 0, 10, "863 MHz", "870 MHz"};
    case band2400:
        return {QColor("#f2a83b"), 12, 12, "2400 MHz", "2483.5 MHz"};
    default:
        return {QColor("#5aa9ff"), 0, 10, "902 MHz", "928 MHz"};
    }
}

QColor withAlpha(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

// One channel's hump: a bell over [centre - half, centre + half] rising to top.
QPainterPath hump(double centre, double half, double base, double top)
{
    QPainterPath path(QPointF(centre - half, base));
    path.cubicTo(QPointF(centre - half * 0.45, base), QPointF(centre - half * 0.5, top),
                 QPointF(centre, top));
    path.cubicTo(QPointF(centre + half * 0.5, top), QPointF(centre + half * 0.45, base),
                 QPointF(centre + half, base));
    path.closeSubpath();
    return path;
}

} // namespace

void paintWizardHeader(QPainter& p, const QRect& area, const QString& title,
                       const QString& subtitle)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(area.topLeft(), area.topRight());
    sky.setColorAt(0, QColor("#0d1117"));
    sky.setColorAt(0.55, QColor("#0f2345"));
    sky.setColorAt(1, QColor("#0d2a57"));
    p.fillRect(area, sky);

    const int picture = qMin(48, area.height() - 16);
    const QRect pictureRect(area.right() - picture - 18, area.top() + (area.height() - picture) / 2,
                            picture, picture);
    p.setClipRect(area);
    p.setPen(QPen(QColor(88, 166, 255, 38), 2));
    for (int r = picture / 2 + 10; r < area.height() * 3; r += 16) {
        p.drawEllipse(QPointF(pictureRect.center()) + QPointF(0.5, 0.5), r, r);
    }
    p.drawPixmap(pictureRect, shell::appPicture(picture));

    QFont bold = p.font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(QColor("#f0f6fc"));
    const QFontMetrics boldMetrics(bold);
    const int left = area.left() + 20;
    int y = area.top() + 12;
    p.drawText(QRect(left, y, pictureRect.left() - left, boldMetrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter, title);
    y += boldMetrics.height() + 3;

    QFont plain = p.font();
    plain.setBold(false);
    p.setFont(plain);
    p.setPen(QColor("#c9d6e3"));
    const QFontMetrics metrics(plain);
    for (const QString& line : subtitle.split(u'\n')) {
        p.drawText(QRect(left + 16, y, pictureRect.left() - left - 24, metrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, line);
        y += metrics.height();
    }
    p.restore();
}

QPixmap bandPicture(uint16_t band, int channel, QSize size)
{
    const BandLook look = bandLook(band);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor("#3d4046"), 1));
    p.setBrush(QColor("#1e1f22"));
    p.drawRoundedRect(frame, 6, 6);

    QFont font = p.font();
    QFont name = font;
    name.setBold(true);
    name.setPixelSize(18);
    p.setFont(name);
    p.setPen(look.accent);
    p.drawText(QRectF(12, 8, size.width() - 24, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(wizardBandText(band)));
    QFont small = font;
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(QColor("#9aa0a8"));
    p.drawText(QRectF(12, 8, size.width() - 24, 24), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Channels %1 to %2")
                   .arg(look.firstChannel)
                   .arg(look.firstChannel + look.channels - 1));

    const double left = 16;
    const double right = size.width() - 16.0;
    const double base = size.height() - 40.0;
    const double top = 44;
    const double step = (right - left) / look.channels;

    // Faint grid behind the channels, as on a spectrum analyser.
    p.setPen(QPen(QColor(255, 255, 255, 18), 1, Qt::DotLine));
    for (int i = 1; i < 4; ++i) {
        const double y = top + (base - top) * i / 4;
        p.drawLine(QPointF(left, y), QPointF(right, y));
    }

    const int picked = channel - look.firstChannel;
    for (int i = 0; i < look.channels; ++i) {
        if (i == picked) {
            continue;
        }
        const double centre = left + step * (i + 0.5);
        p.setPen(QPen(withAlpha(look.accent, 150), 1.2));
        p.setBrush(withAlpha(look.accent, 55));
        p.drawPath(hump(centre, step * 0.62, base, top + (base - top) * 0.38));
    }
    if (picked >= 0 && picked < look.channels) {
        const double centre = left + step * (picked + 0.5);
        QLinearGradient glow(0, top, 0, base);
        glow.setColorAt(0, withAlpha(look.accent, 235));
        glow.setColorAt(1, withAlpha(look.accent, 110));
        p.setPen(QPen(look.accent.lighter(140), 1.6));
        p.setBrush(glow);
        p.drawPath(hump(centre, step * 0.7, base, top));
    }

    p.setPen(QPen(QColor("#6b7079"), 1));
    p.drawLine(QPointF(left - 4, base), QPointF(right + 4, base));

    QFont numbers = font;
    numbers.setPixelSize(10);
    for (int i = 0; i < look.channels; ++i) {
        const double centre = left + step * (i + 0.5);
        numbers.setBold(i == picked);
        p.setFont(numbers);
        p.setPen(i == picked ? QColor("#f0f6fc") : QColor("#9aa0a8"));
        p.drawText(QRectF(centre - step / 2, base + 2, step, 14), Qt::AlignCenter,
                   QString::number(look.firstChannel + i));
    }
    p.setFont(small);
    p.setPen(QColor("#9aa0a8"));
    const QRectF range(12, size.height() - 20.0, size.width() - 24.0, 16);
    p.drawText(range, Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(look.low));
    p.drawText(range, Qt::AlignRight | Qt::AlignVCenter, QString::fromLatin1(look.high));
    p.drawText(range, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Channel"));
    return pixmap;
}

} // namespace quillan::dialogs

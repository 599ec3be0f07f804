#include "shell/IconDrawing.h"

#include <QPainterPath>

namespace quillan::shell::drawing {

QPen pen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPixmap render(Drawing draw, QSize size, QPointF offset)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal scale = size.height() / 16.0;
    p.translate(offset * scale);
    p.scale(scale, scale);
    draw(p);
    return pixmap;
}

QIcon iconOf(Drawing draw)
{
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        icon.addPixmap(render(draw, QSize(size, size)));
    }
    return icon;
}

void sheet(QPainter& p, QRectF r, const QColor& fill)
{
    const qreal fold = r.width() * 0.35;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(pen(ink::paperEdge, 1.0));
    p.setBrush(fill);
    p.drawPath(path);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{QPointF(r.right() - fold, r.top()),
                             QPointF(r.right() - fold, r.top() + fold),
                             QPointF(r.right(), r.top() + fold)});
}

void textLines(QPainter& p, QRectF r, int count, const QColor& colour)
{
    p.setPen(pen(colour, 1.0));
    for (int i = 0; i < count; ++i) {
        const qreal y = r.top() + i * 2.2;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right() - (i % 2) * 2, y));
    }
}

void badge(QPainter& p, QPointF centre, const QColor& fill)
{
    p.setPen(pen(fill.darker(170), 1.0));
    p.setBrush(fill);
    p.drawEllipse(centre, 3.6, 3.6);
}

void plus(QPainter& p, QPointF c, qreal arm, const QColor& colour, qreal width)
{
    p.setPen(pen(colour, width));
    p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
}

void arrowDown(QPainter& p, QPointF tip, qreal length, const QColor& colour)
{
    p.setPen(pen(colour, 1.8));
    p.drawLine(tip, QPointF(tip.x(), tip.y() - length));
    p.drawPolyline(QPolygonF{QPointF(tip.x() - 2.6, tip.y() - 2.6), tip,
                             QPointF(tip.x() + 2.6, tip.y() - 2.6)});
}

void gatewayBox(QPainter& p, QRectF body, bool waves)
{
    p.setPen(pen(ink::slateEdge, 1.0));
    p.setBrush(ink::slate);
    p.drawRoundedRect(body, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(ink::green);
    p.drawEllipse(QPointF(body.left() + 2.5, body.center().y()), 1.0, 1.0);
    p.setBrush(ink::amber);
    p.drawEllipse(QPointF(body.left() + 5.2, body.center().y()), 1.0, 1.0);
    const QPointF foot(body.right() - 2.5, body.top());
    const QPointF top(foot.x(), body.top() - (waves ? 4.5 : 6.0));
    p.setPen(pen(ink::line, 1.3));
    p.drawLine(foot, top);
    if (waves) {
        p.setPen(pen(ink::blue, 1.1));
        p.drawArc(QRectF(top.x() - 2, top.y() - 2, 4, 4), 20 * 16, 140 * 16);
        p.drawArc(QRectF(top.x() - 3.8, top.y() - 3.8, 7.6, 7.6), 30 * 16, 120 * 16);
    }
}

void moduleChip(QPainter& p, QRectF body)
{
    p.setPen(pen(ink::line, 1.0));
    for (qreal x = body.left() + 2; x < body.right() - 0.5; x += 2.5) {
        p.drawLine(QPointF(x, body.bottom()), QPointF(x, body.bottom() + 2));
    }
    p.setPen(pen(ink::green.darker(150), 1.0));
    p.setBrush(QColor("#1f6f3b"));
    p.drawRoundedRect(body, 1.2, 1.2);
    p.setPen(pen(ink::green, 1.1));
    p.drawLine(QPointF(body.left() + 2, body.top() + 2.5),
               QPointF(body.right() - 2, body.top() + 2.5));
    p.drawLine(QPointF(body.left() + 2, body.top() + 5), QPointF(body.right() - 4, body.top() + 5));
}

void folder(QPainter& p, QRectF r)
{
    QPainterPath back;
    back.moveTo(r.left(), r.bottom());
    back.lineTo(r.left(), r.top());
    back.lineTo(r.left() + 4.5, r.top());
    back.lineTo(r.left() + 6, r.top() + 1.8);
    back.lineTo(r.right(), r.top() + 1.8);
    back.lineTo(r.right(), r.bottom());
    back.closeSubpath();
    p.setPen(pen(ink::amberDark, 1.0));
    p.setBrush(ink::amberDark.lighter(140));
    p.drawPath(back);
    p.setBrush(ink::amber);
    p.drawRoundedRect(QRectF(r.left(), r.top() + 3.6, r.width(), r.height() - 3.6), 0.8, 0.8);
}

void tower(QPainter& p, QPointF base, const QColor& waves)
{
    p.setPen(pen(ink::line, 1.3));
    p.drawLine(base, QPointF(base.x(), base.y() - 8));
    p.drawLine(QPointF(base.x() - 3, base.y()), QPointF(base.x(), base.y() - 6));
    p.drawLine(QPointF(base.x() + 3, base.y()), QPointF(base.x(), base.y() - 6));
    p.setPen(pen(waves, 1.2));
    const QPointF top(base.x(), base.y() - 8);
    p.drawArc(QRectF(top.x() - 3, top.y() - 3, 6, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(top.x() - 3, top.y() - 3, 6, 6), 130 * 16, 100 * 16);
    p.drawArc(QRectF(top.x() - 5.5, top.y() - 5.5, 11, 11), -45 * 16, 90 * 16);
    p.drawArc(QRectF(top.x() - 5.5, top.y() - 5.5, 11, 11), 135 * 16, 90 * 16);
}

void pencil(QPainter& p, QPointF tip, const QColor& body)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    p.setPen(pen(body.darker(170), 0.9));
    p.setBrush(body);
    p.drawRect(QRectF(3, -1.6, 8, 3.2));
    p.setBrush(ink::paper);
    p.drawPolygon(QPolygonF{QPointF(0, 0), QPointF(3, -1.6), QPointF(3, 1.6)});
    p.setBrush(ink::red);
    p.drawRect(QRectF(11, -1.6, 1.8, 3.2));
    p.restore();
}

} // namespace quillan::shell::drawing

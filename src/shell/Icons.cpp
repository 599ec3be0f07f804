#include "shell/Icons.h"

#include "shell/Resources.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace quillan::shell {

namespace {

// One palette for every picture, chosen to read on the dark window background.
namespace ink {
const QColor line("#c9d1d9");
const QColor paper("#e6edf3");
const QColor paperEdge("#6e7681");
const QColor slate("#3d4a5c");
const QColor slateEdge("#8b9bb0");
const QColor blue("#58a6ff");
const QColor green("#3fb950");
const QColor amber("#e3b341");
const QColor amberDark("#9e6a03");
const QColor red("#f85149");
const QColor purple("#bc8cff");
} // namespace ink

// Every drawing works in a 16 x 16 box; the painter is scaled to the size asked for.
using Drawing = void (*)(QPainter&);

QPen pen(const QColor& colour, qreal width = 1.2)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPixmap render(Drawing draw, QSize size, QPointF offset = {})
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

// Pieces ----------------------------------------------------------------------------------

void sheet(QPainter& p, QRectF r, const QColor& fill = ink::paper)
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

void textLines(QPainter& p, QRectF r, int count, const QColor& colour = ink::paperEdge)
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

void plus(QPainter& p, QPointF c, qreal arm, const QColor& colour, qreal width = 1.6)
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

// The gateway: a box with two lamps and an antenna sending.
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

// Command pictures ------------------------------------------------------------------------

void drawNew(QPainter& p)
{
    sheet(p, QRectF(2.5, 1.5, 9.5, 12.5));
    textLines(p, QRectF(4.5, 6, 5, 6), 3);
    badge(p, QPointF(11.8, 11.8), ink::green);
    plus(p, QPointF(11.8, 11.8), 1.9, Qt::white, 1.3);
}

void drawOpen(QPainter& p)
{
    folder(p, QRectF(1.5, 3, 13, 10.5));
    p.setPen(pen(ink::amberDark, 1.0));
    p.setBrush(QColor("#f2cc60"));
    p.drawPolygon(
        QPolygonF{QPointF(3.5, 7.5), QPointF(15.2, 7.5), QPointF(13.2, 13.5), QPointF(1.5, 13.5)});
}

void drawSave(QPainter& p)
{
    p.setPen(pen(QColor("#1f4f99"), 1.0));
    p.setBrush(QColor("#2f6fd0"));
    QPainterPath body;
    body.moveTo(2, 2);
    body.lineTo(12, 2);
    body.lineTo(14, 4);
    body.lineTo(14, 14);
    body.lineTo(2, 14);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(ink::paper);
    p.drawRect(QRectF(4, 2.6, 7, 4.2));
    p.setBrush(QColor("#c9d1d9"));
    p.drawRect(QRectF(4.5, 9, 7, 4.3));
    p.setBrush(QColor("#2f6fd0"));
    p.drawRect(QRectF(8.4, 3.2, 1.6, 3));
}

void drawRetrieve(QPainter& p)
{
    sheet(p, QRectF(4.5, 4.5, 9, 10.5));
    textLines(p, QRectF(6.5, 9, 4.5, 5), 2);
    p.setPen(pen(QColor("#0d1117"), 3.4));
    p.drawLine(QPointF(4, 1), QPointF(4, 8));
    arrowDown(p, QPointF(4, 8.5), 7.5, ink::blue);
}

void drawExportCsv(QPainter& p)
{
    sheet(p, QRectF(2.5, 1.5, 11, 13));
    p.setPen(pen(ink::green.darker(130), 1.0));
    p.drawRect(QRectF(4.5, 6, 7, 6.5));
    p.drawLine(QPointF(4.5, 8.2), QPointF(11.5, 8.2));
    p.drawLine(QPointF(4.5, 10.4), QPointF(11.5, 10.4));
    p.drawLine(QPointF(8, 6), QPointF(8, 12.5));
}

void drawCut(QPainter& p)
{
    p.setPen(pen(ink::line, 1.3));
    p.drawLine(QPointF(5, 1.5), QPointF(10.5, 10));
    p.drawLine(QPointF(11, 1.5), QPointF(5.5, 10));
    p.setPen(pen(ink::red, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.5, 12), 2.4, 2.4);
    p.drawEllipse(QPointF(11.5, 12), 2.4, 2.4);
}

void drawCopy(QPainter& p)
{
    sheet(p, QRectF(1.5, 1.5, 8, 10), ink::paper.darker(115));
    sheet(p, QRectF(6.5, 4.5, 8, 10));
    textLines(p, QRectF(8, 8.5, 4.5, 5), 3);
}

void drawPaste(QPainter& p)
{
    p.setPen(pen(QColor("#6b4a1f"), 1.0));
    p.setBrush(QColor("#a0713a"));
    p.drawRoundedRect(QRectF(2, 2.5, 10, 12), 1.2, 1.2);
    p.setBrush(ink::slateEdge);
    p.drawRoundedRect(QRectF(4.5, 1.2, 5, 2.8), 0.8, 0.8);
    sheet(p, QRectF(7, 6.5, 7.5, 8.5));
    textLines(p, QRectF(8.3, 10, 4, 4), 2);
}

void drawAbout(QPainter& p)
{
    p.setPen(pen(ink::blue.darker(150), 1.0));
    p.setBrush(QColor("#1f6feb"));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.9), 1.1, 1.1);
    p.drawRoundedRect(QRectF(7, 6.9, 2, 5.8), 0.6, 0.6);
}

void drawUpdateDevice(QPainter& p)
{
    gatewayBox(p, QRectF(1.5, 9.5, 13, 5.5), false);
    arrowDown(p, QPointF(6.5, 8), 7, ink::green);
}

void drawConnect(QPainter& p)
{
    p.setPen(pen(ink::line, 1.3));
    p.drawLine(QPointF(1.5, 14.5), QPointF(4.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(14.5, 1.5));
    p.setPen(pen(ink::blue.darker(160), 1.0));
    p.setBrush(ink::blue);
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    p.drawRoundedRect(QRectF(-5.5, -2.8, 4.5, 5.6), 1, 1);
    p.drawRoundedRect(QRectF(1, -2.8, 4.5, 5.6), 1, 1);
    p.setPen(pen(ink::line, 1.1));
    p.drawLine(QPointF(-1, -1.3), QPointF(1, -1.3));
    p.drawLine(QPointF(-1, 1.3), QPointF(1, 1.3));
    p.restore();
}

void drawKey(QPainter& p)
{
    p.setPen(pen(ink::amberDark, 1.0));
    p.setBrush(ink::amber);
    p.drawEllipse(QPointF(5, 6), 3.6, 3.6);
    p.drawRect(QRectF(7.5, 5.1, 7, 1.8));
    p.drawRect(QRectF(11.5, 6.9, 1.6, 2.4));
    p.drawRect(QRectF(13.4, 6.9, 1.1, 1.8));
    p.setBrush(QColor("#0d1117"));
    p.drawEllipse(QPointF(4.4, 6), 1.1, 1.1);
}

void drawStoreFile(QPainter& p)
{
    gatewayBox(p, QRectF(1.5, 10, 13, 5), false);
    sheet(p, QRectF(2.5, 0.8, 6.5, 7.5));
    arrowDown(p, QPointF(12, 8.4), 6, ink::green);
}

void drawDelete(QPainter& p)
{
    p.setPen(pen(ink::red, 2.2));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void drawProperties(QPainter& p)
{
    sheet(p, QRectF(1.5, 1.5, 10, 13));
    textLines(p, QRectF(3.5, 5, 5, 8), 4);
    pencil(p, QPointF(7.5, 14.5), ink::amber);
}

void drawRename(QPainter& p)
{
    p.setPen(pen(ink::paperEdge, 1.0));
    p.setBrush(QColor("#0d1117"));
    p.drawRoundedRect(QRectF(1, 4.5, 14, 7), 1, 1);
    p.setPen(pen(ink::blue, 1.2));
    p.drawLine(QPointF(10, 3), QPointF(10, 13));
    p.drawLine(QPointF(8.8, 3), QPointF(11.2, 3));
    p.drawLine(QPointF(8.8, 13), QPointF(11.2, 13));
    p.setPen(pen(ink::line, 1.2));
    p.drawLine(QPointF(3, 9.5), QPointF(4.8, 6.5));
    p.drawLine(QPointF(4.8, 6.5), QPointF(6.6, 9.5));
    p.drawLine(QPointF(3.7, 8.5), QPointF(5.9, 8.5));
}

void drawInsert(QPainter& p)
{
    p.setPen(pen(ink::green.darker(170), 1.0));
    p.setBrush(ink::green);
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    plus(p, QPointF(8, 8), 3.5, Qt::white, 1.9);
}

void drawSite(QPainter& p)
{
    tower(p, QPointF(8, 15), ink::green);
}

void drawGateway(QPainter& p)
{
    gatewayBox(p, QRectF(1, 8, 14, 6.5), true);
}

void drawModbusModule(QPainter& p)
{
    moduleChip(p, QRectF(2, 3.5, 12, 8.5));
}

void drawImportPoints(QPainter& p)
{
    sheet(p, QRectF(6.5, 1.5, 8, 13));
    textLines(p, QRectF(8.5, 6, 4, 6), 3);
    p.setPen(pen(ink::blue, 1.8));
    p.drawLine(QPointF(1.5, 8), QPointF(7.5, 8));
    p.drawPolyline(QPolygonF{QPointF(5, 5.5), QPointF(7.5, 8), QPointF(5, 10.5)});
}

void drawPoll(QPainter& p)
{
    p.setPen(pen(ink::blue, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 40 * 16, 150 * 16);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 220 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(ink::blue);
    p.drawPolygon(QPolygonF{QPointF(12.8, 1.8), QPointF(13.6, 6.4), QPointF(9.2, 5.2)});
    p.drawPolygon(QPolygonF{QPointF(3.2, 14.2), QPointF(2.4, 9.6), QPointF(6.8, 10.8)});
}

void drawWrite(QPainter& p)
{
    p.setPen(pen(ink::paperEdge, 1.0));
    p.setBrush(QColor("#0d1117"));
    p.drawRoundedRect(QRectF(1, 8.5, 9, 6), 1, 1);
    p.setPen(pen(ink::green, 1.1));
    p.drawLine(QPointF(2.8, 11.5), QPointF(8.2, 11.5));
    pencil(p, QPointF(8.5, 9.5), ink::blue);
}

void drawOptions(QPainter& p)
{
    p.setPen(pen(ink::slateEdge.darker(140), 1.0));
    p.setBrush(ink::slateEdge);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(i * 45);
        p.drawRect(QRectF(-1.3, -7, 2.6, 3));
        p.restore();
    }
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(QColor("#0d1117"));
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

void drawSupport(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink::paper);
    p.drawEllipse(QPointF(8, 8), 7, 7);
    p.setBrush(ink::red);
    for (int i = 0; i < 4; ++i) {
        p.drawPie(QRectF(1, 1, 14, 14), (i * 90 + 25) * 16, 40 * 16);
    }
    p.setBrush(QColor("#0d1117"));
    p.drawEllipse(QPointF(8, 8), 3.4, 3.4);
}

Drawing commandDrawing(Command command)
{
    using C = Command;
    switch (command) {
    case C::newProject:
        return drawNew;
    case C::open:
        return drawOpen;
    case C::save:
        return drawSave;
    case C::retrieveProjectFile:
        return drawRetrieve;
    case C::exportCsv:
        return drawExportCsv;
    case C::removeSharedPoint:
        return drawCut;
    case C::copy:
    case C::nodeCopy:
        return drawCopy;
    case C::paste:
    case C::nodePaste:
    case C::outputPasteSource:
        return drawPaste;
    case C::about:
        return drawAbout;
    case C::nodeUpdateDevice:
        return drawUpdateDevice;
    case C::nodeConnect:
        return drawConnect;
    case C::nodeReadSiteKey:
        return drawKey;
    case C::nodeSaveFileToGateway:
        return drawStoreFile;
    case C::nodeDelete:
    case C::mapDelete:
    case C::siteRemove:
        return drawDelete;
    case C::nodeEdit:
    case C::siteProperties:
        return drawProperties;
    case C::nodeRename:
        return drawRename;
    case C::insertMenu:
        return drawInsert;
    case C::insertSite:
        return drawSite;
    case C::insertGateway:
        return drawGateway;
    case C::insertModbusModule:
        return drawModbusModule;
    case C::importPoints:
        return drawImportPoints;
    case C::mapPoll:
        return drawPoll;
    case C::mapWrite:
        return drawWrite;
    case C::options:
        return drawOptions;
    case C::productSupport:
        return drawSupport;
    default:
        return nullptr;
    }
}

// Row pictures ----------------------------------------------------------------------------

void drawRoot(QPainter& p)
{
    folder(p, QRectF(1, 3, 14, 11));
    p.setPen(pen(ink::blue.darker(140), 1.0));
    p.setBrush(ink::blue);
    p.drawEllipse(QPointF(8, 10), 2, 2);
}

void drawActiveSite(QPainter& p)
{
    tower(p, QPointF(8, 15), ink::green);
}

void drawRowMark(QPainter& p)
{
    p.setPen(pen(ink::blue.darker(150), 1.0));
    p.setBrush(QColor("#1f3f6b"));
    p.drawRoundedRect(QRectF(3.5, 4.5, 9, 7), 1.5, 1.5);
    p.setPen(pen(ink::blue, 1.1));
    p.drawLine(QPointF(5.5, 8), QPointF(10.5, 8));
}

void drawAnalogPoint(QPainter& p)
{
    p.setPen(pen(ink::purple, 1.4));
    QPainterPath wave;
    wave.moveTo(1.5, 8);
    wave.cubicTo(4, 1.5, 6, 1.5, 8, 8);
    wave.cubicTo(10, 14.5, 12, 14.5, 14.5, 8);
    p.drawPath(wave);
}

void drawDigitalPoint(QPainter& p)
{
    p.setPen(pen(ink::amber, 1.4));
    p.drawPolyline(QPolygonF{QPointF(1.5, 12), QPointF(4.5, 12), QPointF(4.5, 4), QPointF(9.5, 4),
                             QPointF(9.5, 12), QPointF(14.5, 12)});
}

void drawMarker(QPainter& p)
{
    p.setPen(pen(ink::slateEdge, 1.0));
    p.setBrush(ink::slate);
    p.drawEllipse(QPointF(8, 8), 3.2, 3.2);
}

} // namespace

QPixmap treeImage(int index)
{
    if (index < 0 || index >= TREE_IMAGE_COUNT) {
        return {};
    }
    const QSize size(24, 16);
    // The glyph sits left of the middle, leaving the strip's spacing before the label.
    const QPointF offset(2, 0);
    switch (index) {
    case TREE_IMAGE_ROOT:
        return render(drawRoot, size, offset);
    case TREE_IMAGE_MODBUS_MODULE:
        return render(drawModbusModule, size, offset);
    case TREE_IMAGE_GATEWAY:
        return render(drawGateway, size, offset);
    default:
        return render(drawMarker, size, offset);
    }
}

QPixmap rowImage(int index)
{
    if (index < 0) {
        return {};
    }
    const QSize size(16, 16);
    switch (index) {
    case 0:
        return render(drawRoot, size);
    case 1:
        return render(drawActiveSite, size);
    case 2:
        return render(drawRowMark, size);
    case 3:
        return render(drawAnalogPoint, size);
    case 4:
        return render(drawDigitalPoint, size);
    default:
        return render(drawMarker, size);
    }
}

QIcon commandIcon(Command command)
{
    const Drawing draw = commandDrawing(command);
    return draw != nullptr ? iconOf(draw) : QIcon();
}

QPixmap appPicture(int size)
{
    initResources();
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QSvgRenderer(QStringLiteral(":/quillan/icons/app.svg")).render(&p);
    return pixmap;
}

QPixmap bannerPicture(QSize size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor("#0d2a57"));
    sky.setColorAt(1, QColor("#0d1117"));
    p.fillRect(pixmap.rect(), sky);

    // Faint radio rings behind the name.
    p.setPen(QPen(QColor(88, 166, 255, 40), 2));
    const QPointF source(size.width() * 0.86, size.height() * 0.5);
    for (int r = 20; r < size.width(); r += 22) {
        p.drawEllipse(source, r, r);
    }

    const int picture = size.height() * 62 / 100;
    const int margin = (size.height() - picture) / 2;
    p.drawPixmap(margin, margin, appPicture(picture));

    QFont title = p.font();
    title.setPixelSize(size.height() * 30 / 100);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor("#f0f6fc"));
    const QRect text(margin * 2 + picture, 0, size.width(), size.height() * 58 / 100);
    p.drawText(text, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Quillan"));
    QFont tagline = p.font();
    tagline.setPixelSize(qMax(11, size.height() * 11 / 100));
    tagline.setBold(false);
    p.setFont(tagline);
    p.setPen(QColor("#9fb3c8"));
    p.drawText(QRect(text.left(), size.height() * 62 / 100, size.width(), size.height()),
               Qt::AlignLeft | Qt::AlignTop, QStringLiteral("ZAV Gateway configuration"));
    return pixmap;
}

} // namespace quillan::shell

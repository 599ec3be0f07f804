#include "shell/Icons.h"

#include "shell/IconDrawing.h"
#include "shell/Resources.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QSvgRenderer>

namespace quillan::shell {

namespace {

using namespace drawing;

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

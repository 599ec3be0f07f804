#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

// The shell's pictures are drawn, not loaded: a few shapes in one palette, each drawing in a
// 16 x 16 box that the painter scales to the size asked for.
namespace quillan::shell::drawing {

// One palette for every picture, chosen to read on the dark window background.
namespace ink {
inline const QColor line("#c9d1d9");
inline const QColor paper("#e6edf3");
inline const QColor paperEdge("#6e7681");
inline const QColor slate("#3d4a5c");
inline const QColor slateEdge("#8b9bb0");
inline const QColor blue("#58a6ff");
inline const QColor green("#3fb950");
inline const QColor amber("#e3b341");
inline const QColor amberDark("#9e6a03");
inline const QColor red("#f85149");
inline const QColor purple("#bc8cff");
} // namespace ink

using Drawing = void (*)(QPainter&);

[[nodiscard]] QPen pen(const QColor& colour, qreal width = 1.2);
// The drawing at the pixmap's size, moved by offset (in the drawing's units).
[[nodiscard]] QPixmap render(Drawing draw, QSize size, QPointF offset = {});
// The drawing at every size a toolbar, menu or dialog asks for.
[[nodiscard]] QIcon iconOf(Drawing draw);

// Pieces the pictures share.
void sheet(QPainter& p, QRectF r, const QColor& fill = ink::paper);
void textLines(QPainter& p, QRectF r, int count, const QColor& colour = ink::paperEdge);
void badge(QPainter& p, QPointF centre, const QColor& fill);
void plus(QPainter& p, QPointF c, qreal arm, const QColor& colour, qreal width = 1.6);
void arrowDown(QPainter& p, QPointF tip, qreal length, const QColor& colour);
// The gateway: a box with two lamps and an antenna, sending when waves is set.
void gatewayBox(QPainter& p, QRectF body, bool waves);
void moduleChip(QPainter& p, QRectF body);
void folder(QPainter& p, QRectF r);
void tower(QPainter& p, QPointF base, const QColor& waves);
void pencil(QPainter& p, QPointF tip, const QColor& body);

} // namespace quillan::shell::drawing

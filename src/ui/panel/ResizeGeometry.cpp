#include "ui/panel/ResizeGeometry.h"

#include <algorithm>

ResizeGeometry::Mode ResizeGeometry::zone(QPointF p, QSizeF size) {
    const double w = size.width();
    const double h = size.height();
    const double x = p.x();
    const double y = p.y();
    if (x <= corner && y <= corner)
        return Mode::TopLeft;
    if (x >= w - corner && y <= corner)
        return Mode::TopRight;
    if (x <= corner && y >= h - corner)
        return Mode::BottomLeft;
    if (x >= w - corner && y >= h - corner)
        return Mode::BottomRight;
    if (x <= edge)
        return Mode::Left;
    if (x >= w - edge)
        return Mode::Right;
    if (y <= edge)
        return Mode::Top;
    if (y >= h - edge)
        return Mode::Bottom;
    return Mode::None;
}

QRegion ResizeGeometry::hitRegion(QSize size) {
    const int w = size.width();
    const int h = size.height();
    const int e = int(edge);
    const int c = int(corner);
    // Whole pixels: x <= 9 covers columns 0..9, x >= w - 9 covers w-9..w-1.
    QRegion region;
    region += QRect(0, 0, e + 1, h);
    region += QRect(w - e, 0, e, h);
    region += QRect(0, 0, w, e + 1);
    region += QRect(0, h - e, w, e);
    region += QRect(0, 0, c + 1, c + 1);
    region += QRect(w - c, 0, c, c + 1);
    region += QRect(0, h - c, c + 1, c);
    region += QRect(w - c, h - c, c, c);
    return region.intersected(QRect(0, 0, w, h));
}

QRect ResizeGeometry::dragged(Mode mode, const QRect& start, QPoint delta) {
    int x = start.x();
    int y = start.y();
    int width = start.width();
    int height = start.height();
    const int dx = delta.x();
    const int dy = delta.y();

    switch (mode) {
    case Mode::Left:
    case Mode::TopLeft:
    case Mode::BottomLeft:
        width = std::max(start.width() - dx, minWidth);
        x = start.x() + start.width() - width; // the right edge stays
        break;
    case Mode::Right:
    case Mode::TopRight:
    case Mode::BottomRight:
        width = std::max(start.width() + dx, minWidth);
        break;
    default:
        break;
    }
    switch (mode) {
    case Mode::Top:
    case Mode::TopLeft:
    case Mode::TopRight:
        height = std::max(start.height() - dy, minHeight);
        y = start.y() + start.height() - height; // the bottom edge stays
        break;
    case Mode::Bottom:
    case Mode::BottomLeft:
    case Mode::BottomRight:
        height = std::max(start.height() + dy, minHeight);
        break;
    default:
        break;
    }
    return QRect(x, y, width, height);
}

Qt::CursorShape ResizeGeometry::cursor(Mode mode) {
    switch (mode) {
    case Mode::Left:
    case Mode::Right:
        return Qt::SizeHorCursor;
    case Mode::Top:
    case Mode::Bottom:
        return Qt::SizeVerCursor;
    case Mode::TopLeft:
    case Mode::BottomRight:
        return Qt::SizeFDiagCursor;
    case Mode::TopRight:
    case Mode::BottomLeft:
        return Qt::SizeBDiagCursor;
    case Mode::None:
        break;
    }
    return Qt::ArrowCursor;
}

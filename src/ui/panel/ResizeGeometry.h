#pragma once

#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSizeF>

// The arithmetic of resizing the panel from its edges: which zone a point is
// in, and the frame that a drag gives. Coordinates grow downward.
class ResizeGeometry {
public:
    enum class Mode { None, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

    static constexpr double edge = 9;    // depth of the edge strips
    static constexpr double corner = 20; // size of the corner squares
    static constexpr int minWidth = 360;
    static constexpr int minHeight = 420;

    // Corners first, then edges; None for the content area.
    static Mode zone(QPointF point, QSizeF size);
    // The pixels of a view of that size whose zone is not None.
    static QRegion hitRegion(QSize size);
    // The window frame after moving the pointer by `delta` from where the drag
    // started. Never smaller than the minimum size; the opposite edges stay.
    static QRect dragged(Mode mode, const QRect& startFrame, QPoint delta);
    static Qt::CursorShape cursor(Mode mode);
};

#include "ui/editor/CardPlacement.h"

#include <QtMath>

#include <algorithm>

CardPlacement::Place CardPlacement::place(const QRect& panel, const QRect& visible, int height,
                                          const std::optional<QRect>& anchor,
                                          const std::optional<QRect>& lastAnchor) {
    Place p;
    const int h = height;
    const int visibleBottom = visible.y() + visible.height();

    int x = panel.x() + reach - width;
    if (x < visible.x() + margin) {
        x = panel.x() + panel.width() + margin;
        p.side = Side::Left;
    }

    p.anchor = anchor       ? *anchor
               : lastAnchor ? *lastAnchor
                            : QRect(panel.x(), panel.y() + panel.height() / 2, panel.width(), 1);
    const double middle = p.anchor.y() + p.anchor.height() / 2.0;

    // Centred on the anchor where it fits; the top 8 inside the area, unless
    // the card is too tall, when its bottom is kept 8 inside instead.
    const int lowest = visibleBottom - h - margin;
    const int top = std::max(std::min(lowest, visible.y() + margin),
                             std::min(lowest, int(qFloor(middle - h / 2.0))));

    const int arrow = int(qRound(middle)) - top;
    p.arrowY = std::max(arrowInset, std::min(arrow, h - arrowInset));
    p.frame = QRect(x, top, width, h);
    return p;
}

CardPlacement::Place CardPlacement::inside(const QRect& panel, const Place& beside) {
    Place place = beside;
    const int height = beside.frame.height();
    const int top = panel.top() + margin;
    const int y = qMax(top, qMin(beside.frame.y(), panel.bottom() + 1 - margin - height));
    place.frame = QRect(panel.x() + (panel.width() - width) / 2, y, width, height);
    return place;
}

QRect CardPlacement::body(Side side, int height) {
    return QRect(side == Side::Left ? arrowW : 0, 0, cardW, height);
}

QPainterPath CardPlacement::shape(Side side, int height, int arrowY) {
    const QRect b = body(side, height);
    QPainterPath path;
    path.addRoundedRect(QRectF(b), radius, radius);
    const double a = arrowH / 2.0;
    // The arrow's base overlaps the body by one pixel so that no seam shows.
    QPolygonF arrow;
    if (side == Side::Right)
        arrow << QPointF(cardW - 1, arrowY - a) << QPointF(width, arrowY)
              << QPointF(cardW - 1, arrowY + a);
    else
        arrow << QPointF(arrowW + 1, arrowY - a) << QPointF(0, arrowY)
              << QPointF(arrowW + 1, arrowY + a);
    QPainterPath tip;
    tip.addPolygon(arrow);
    tip.closeSubpath();
    return path.united(tip);
}

QPoint CardPlacement::timeEditorOrigin(int panelWidth, const QRect& timeBox, const QSize& size) {
    const int w = size.width();
    const int x = std::min(std::max(panelWidth - w - margin, margin),
                           std::max(timeBox.x() + timeBox.width() - w, margin));
    return QPoint(x, timeBox.y() + timeBox.height() + 6);
}

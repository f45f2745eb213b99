#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the details card and the time editor go. Screen and panel rectangles
// are in Qt's coordinates (y grows downward); a rectangle's right edge is
// x + width and its bottom edge y + height.
class CardPlacement {
public:
    static constexpr int cardW = 304; // the card's body
    static constexpr int arrowW = 11; // how far the arrow sticks out
    static constexpr int arrowH = 22; // the arrow's base
    static constexpr int radius = 14; // the body's corners
    static constexpr int width = cardW + arrowW;
    static constexpr int minHeight = 160;
    static constexpr int margin = 8; // kept inside the visible area and beside the panel
    static constexpr int reach = 20; // how far the arrow's tip reaches into the panel
    // The arrow's centre never comes closer to the card's top or bottom.
    static constexpr int arrowInset = arrowH / 2 + radius + 2;

    // The card's side that carries the arrow.
    enum class Side { Right, Left };

    struct Place {
        QRect frame;
        Side side = Side::Right;
        // The arrow's centre, from the card's top.
        int arrowY = 0;
        // The anchor that was used; the caller keeps it as the last anchor.
        QRect anchor;
    };

    // The card of `height` beside `panel`: left of it, or right of it when
    // the left side would come closer than 8 to the visible area's left edge;
    // centred on the anchor (else the last anchor, else the panel's middle)
    // and kept 8 inside the visible area vertically. A card taller than the
    // visible area keeps its bottom 8 above the area's bottom.
    static Place place(const QRect& panel, const QRect& visible, int height,
                       const std::optional<QRect>& anchor, const std::optional<QRect>& lastAnchor);

    // Where the compositor places windows itself (native Wayland): the card
    // `beside` moved inside the panel's area, centred across it and kept 8
    // inside it vertically.
    static Place inside(const QRect& panel, const Place& beside);

    // The card's body in its own coordinates: the arrow's strip is on `side`.
    static QRect body(Side side, int height);
    // The body with its corners rounded plus the arrow, in the card's coordinates.
    static QPainterPath shape(Side side, int height, int arrowY);

    // The time editor of `size` under the time box (both in the panel's
    // coordinates): its right edge at the box's, kept 8 inside the panel.
    static QPoint timeEditorOrigin(int panelWidth, const QRect& timeBox, const QSize& size);
};

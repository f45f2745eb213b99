#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the floating panel goes and how big it is. Screen coordinates are
// Qt's: y grows downward.
class PanelGeometry {
public:
    static constexpr int margin = 8; // kept free at the screen's edges
    static constexpr int gap = 6;    // between the tray icon and the panel
    static constexpr int minStoredWidth = 320;
    static constexpr int minStoredHeight = 380;
    static constexpr QSize defaultSize{380, 620};

    // The panel's top-left corner: centred under the icon, kept 8 px inside
    // the available area at the left, then at the right (the right bound wins
    // when both cannot hold), and with its bottom 8 px above the area's bottom
    // (which lifts it above an icon in a bottom panel).
    static QPoint origin(const QRect& icon, const QRect& available, const QSize& size);

    // The top-left corner that centres the panel in the available area.
    static QPoint centred(const QRect& available, const QSize& size);

    // The icon rectangle to place under: the tray's own, or a 1 x 1 square at
    // the pointer when the tray does not tell (an empty rectangle).
    static QRect anchor(const QRect& trayGeometry, const QPoint& cursor);

    // The remembered size, used only when it is at least 320 x 380.
    static QSize sizeFromStored(double width, double height);

    // Whether a point lies within the panel grown by `margin` on every side.
    static bool nearPanel(const QRect& panel, const QPoint& point);
};

#pragma once

#include <QList>
#include <QRectF>

// The arithmetic of a screenshot strip: how many tiles share a row, how wide
// and high they are and where each one goes. One unit is one pixel.
class ShotStripLayout {
public:
    static constexpr double spacing = 8;
    // The narrowest tile that decides the column count.
    static constexpr double minTile = 84;
    // Tile height over tile width.
    static constexpr double aspect = 0.62;
    // The width assumed before the strip has one of its own.
    static constexpr double defaultWidth = 300;

    // One row of the grid: its tiles, then the empty places that keep every
    // tile as wide as those of a full row.
    struct Row {
        int tiles = 0;
        int empty = 0;
        bool operator==(const Row&) const = default;
    };

    // At least 1, at most max(count, 1): as many tiles of `minTile` as fit.
    static int columnCount(double width, int count);
    static QList<Row> rows(int count, int columns);
    static double tileWidth(double width, int columns);
    // The strip's height: its rows and the spacing between them.
    static double height(double width, int count);
    static QRectF tileRect(double width, int columns, int index);
    // Whether a width change asks for a new grid: only a change of more than
    // half a pixel that gives another column count does.
    static bool needsRelayout(double oldWidth, double newWidth, int lastColumns, int count);
};

#include "ui/shots/ShotStripLayout.h"

#include <QtMath>

#include <algorithm>

namespace {

double usable(double width) {
    return width > 1 ? width : ShotStripLayout::defaultWidth;
}

} // namespace

int ShotStripLayout::columnCount(double width, int count) {
    const double w = usable(width) + spacing;
    const int fit = int(std::floor(w / (minTile + spacing)));
    return std::max(1, std::min(fit, std::max(count, 1)));
}

QList<ShotStripLayout::Row> ShotStripLayout::rows(int count, int columns) {
    QList<Row> result;
    if (columns < 1)
        return result;
    for (int first = 0; first < count; first += columns) {
        const int tiles = std::min(columns, count - first);
        result.append(Row{tiles, columns - tiles});
    }
    return result;
}

double ShotStripLayout::tileWidth(double width, int columns) {
    columns = std::max(columns, 1);
    return std::max(0.0, (usable(width) - spacing * (columns - 1)) / columns);
}

double ShotStripLayout::height(double width, int count) {
    if (count <= 0)
        return 0;
    const int columns = columnCount(width, count);
    const int lines = (count + columns - 1) / columns;
    return lines * aspect * tileWidth(width, columns) + (lines - 1) * spacing;
}

QRectF ShotStripLayout::tileRect(double width, int columns, int index) {
    columns = std::max(columns, 1);
    const double w = tileWidth(width, columns);
    const double h = aspect * w;
    const int row = index / columns;
    const int column = index % columns;
    return QRectF(column * (w + spacing), row * (h + spacing), w, h);
}

bool ShotStripLayout::needsRelayout(double oldWidth, double newWidth, int lastColumns, int count) {
    if (std::abs(newWidth - oldWidth) <= 0.5)
        return false;
    return columnCount(newWidth, count) != lastColumns;
}

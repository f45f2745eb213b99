#include "app/PanelGeometry.h"

#include <cmath>

QPoint PanelGeometry::origin(const QRect& icon, const QRect& available, const QSize& size) {
    const double w = size.width();
    const double h = size.height();
    const double availableLeft = available.x();
    const double availableRight = double(available.x()) + available.width();
    const double availableBottom = double(available.y()) + available.height();

    double x = icon.x() + icon.width() / 2.0 - w / 2.0;
    x = std::max(x, availableLeft + margin);
    x = std::min(x, availableRight - w - margin);

    double y = double(icon.y()) + icon.height() + gap;
    y = std::min(y, availableBottom - margin - h);

    return QPoint(int(std::floor(x)), int(std::floor(y)));
}

QPoint PanelGeometry::centred(const QRect& available, const QSize& size) {
    return {available.x() + (available.width() - size.width()) / 2,
            available.y() + (available.height() - size.height()) / 2};
}

QRect PanelGeometry::anchor(const QRect& trayGeometry, const QPoint& cursor) {
    if (trayGeometry.isEmpty())
        return QRect(cursor, QSize(1, 1));
    return trayGeometry;
}

QSize PanelGeometry::sizeFromStored(double width, double height) {
    if (width >= minStoredWidth && height >= minStoredHeight)
        return QSize(int(width), int(height));
    return defaultSize;
}

bool PanelGeometry::nearPanel(const QRect& panel, const QPoint& point) {
    return panel.adjusted(-margin, -margin, margin, margin).contains(point);
}

#include "ui/widgets/ClickView.h"

#include <QMouseEvent>

ClickView::ClickView(QWidget* parent)
    : LayerView(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onClick)
        onClick();
}

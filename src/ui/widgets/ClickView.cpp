#include "ui/widgets/ClickView.h"

#include <QKeyEvent>
#include <QMouseEvent>

ClickView::ClickView(QWidget* parent)
    : LayerView(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void ClickView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && onClick) {
        event->accept();
        onClick();
        return;
    }
    LayerView::keyPressEvent(event);
}

void ClickView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onClick)
        onClick();
}

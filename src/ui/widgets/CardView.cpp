#include "ui/widgets/CardView.h"

#include <QMouseEvent>

CardView::CardView(QWidget* parent)
    : QWidget(parent) {}

void CardView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CardView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

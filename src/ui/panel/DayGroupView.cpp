#include "ui/panel/DayGroupView.h"

#include "ui/widgets/LayoutHelpers.h"

#include <QVBoxLayout>

DayGroupView::DayGroupView(QWidget* parent)
    : QWidget(parent)
    , m_stack(new QVBoxLayout(this)) {
    cardBackground(this, 12);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->setSpacing(0);
}

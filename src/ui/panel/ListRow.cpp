#include "ui/panel/ListRow.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QWidget>

void ListRow::setDurationWidth(int width) {
    if (width == m_durationWidth)
        return;
    m_durationWidth = width;
    QWidget* view = widget();
    view->updateGeometry();
    // The rows place their figure when they are resized: the same size again.
    QResizeEvent resized(view->size(), view->size());
    QCoreApplication::sendEvent(view, &resized);
    view->update();
}

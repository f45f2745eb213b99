#include "ui/panel/ResizeEdgesView.h"

#include <QEnterEvent>
#include <QMouseEvent>

ResizeEdgesView::ResizeEdgesView(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setMask(ResizeGeometry::hitRegion(size()));
}

void ResizeEdgesView::resizeEvent(QResizeEvent* event) {
    // Points outside the zones fall through to the content.
    setMask(ResizeGeometry::hitRegion(size()));
    QWidget::resizeEvent(event);
}

void ResizeEdgesView::mousePressEvent(QMouseEvent* event) {
    m_mode = ResizeGeometry::zone(event->position(), QSizeF(size()));
    m_startFrame = m_targetWindow ? m_targetWindow->geometry() : QRect();
    m_startPoint = event->globalPosition().toPoint();
    event->accept();
}

void ResizeEdgesView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        updateCursor(event->position());
        return;
    }
    if (!m_targetWindow || m_mode == ResizeGeometry::Mode::None)
        return;
    const QPoint delta = event->globalPosition().toPoint() - m_startPoint;
    m_targetWindow->setGeometry(ResizeGeometry::dragged(m_mode, m_startFrame, delta));
    event->accept();
}

void ResizeEdgesView::mouseReleaseEvent(QMouseEvent* event) {
    m_mode = ResizeGeometry::Mode::None;
    updateCursor(event->position());
}

void ResizeEdgesView::enterEvent(QEnterEvent* event) {
    updateCursor(event->position());
    QWidget::enterEvent(event);
}

void ResizeEdgesView::updateCursor(QPointF position) {
    setCursor(ResizeGeometry::cursor(ResizeGeometry::zone(position, QSizeF(size()))));
}

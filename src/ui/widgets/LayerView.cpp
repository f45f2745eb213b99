#include "ui/widgets/LayerView.h"

#include <QPainter>
#include <QPainterPath>

LayerView::LayerView(QWidget* parent)
    : QWidget(parent) {}

void LayerView::setFill(const std::optional<QColor>& color) {
    if (color) {
        const QColor c = *color;
        m_fill = [c] { return c; };
    } else {
        m_fill = nullptr;
    }
    update();
}

void LayerView::setFill(ColorFn color) {
    m_fill = std::move(color);
    update();
}

std::optional<QColor> LayerView::fill() const {
    if (!m_fill)
        return std::nullopt;
    return m_fill();
}

void LayerView::setRadius(qreal radius) {
    m_radius = radius;
    update();
}

void LayerView::setBorderWidth(qreal width) {
    m_borderWidth = width;
    update();
}

void LayerView::setBorderColor(const QColor& color) {
    m_border = [color] { return color; };
    update();
}

void LayerView::setBorderColor(ColorFn color) {
    m_border = std::move(color);
    update();
}

QColor LayerView::borderColor() const {
    return m_border ? m_border() : QColor(Qt::transparent);
}

void LayerView::paintEvent(QPaintEvent*) {
    const bool border = m_borderWidth > 0 && m_border;
    if (!m_fill && !border)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    if (m_fill) {
        p.setPen(Qt::NoPen);
        p.setBrush(m_fill());
        p.drawRoundedRect(r, m_radius, m_radius);
    }
    if (border) {
        // The border lies inside the bounds, as a layer border does.
        const qreal half = m_borderWidth / 2.0;
        const QRectF inner = r.adjusted(half, half, -half, -half);
        const qreal radius = qMax<qreal>(0, m_radius - half);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(m_border(), m_borderWidth));
        p.drawRoundedRect(inner, radius, radius);
    }
}

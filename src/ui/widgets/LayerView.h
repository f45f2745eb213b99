#pragma once

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

// A plain view that draws a filled, rounded, optionally bordered rectangle
// behind its children, the way a layer-backed view does. Colours may be given
// as functions so that appearance-dependent ones are resolved at draw time.
class LayerView : public QWidget {
    Q_OBJECT
public:
    using ColorFn = std::function<QColor()>;

    explicit LayerView(QWidget* parent = nullptr);

    void setFill(const std::optional<QColor>& color);
    void setFill(ColorFn color);
    std::optional<QColor> fill() const;
    void setRadius(qreal radius);
    qreal radius() const { return m_radius; }
    void setBorderWidth(qreal width);
    qreal borderWidth() const { return m_borderWidth; }
    void setBorderColor(const QColor& color);
    void setBorderColor(ColorFn color);
    QColor borderColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorFn m_fill;
    ColorFn m_border;
    qreal m_radius = 0;
    qreal m_borderWidth = 0;
};

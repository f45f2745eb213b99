#pragma once

#include <QAbstractButton>
#include <QColor>

#include <functional>
#include <optional>

// A borderless text button: coloured text, optionally on a rounded background
// (the capsule buttons of the panel and its overlays).
class TextButton : public QAbstractButton {
    Q_OBJECT
public:
    using ColorFn = std::function<QColor()>;

    explicit TextButton(const QString& text, const QFont& font, QWidget* parent = nullptr);

    void setForeground(const QColor& color);
    void setForeground(ColorFn color);
    QColor foreground() const;
    void setBackground(const std::optional<QColor>& color, qreal radius);
    std::optional<QColor> background() const { return m_background; }
    // Left and right room between the text and the edges.
    void setPadding(int padding);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorFn m_foreground;
    std::optional<QColor> m_background;
    qreal m_radius = 0;
    int m_padding = 0;
};

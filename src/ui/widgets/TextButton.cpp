#include "ui/widgets/TextButton.h"

#include "ui/widgets/Style.h"

#include <QPainter>

TextButton::TextButton(const QString& text, const QFont& font, QWidget* parent)
    : QAbstractButton(parent)
    , m_foreground([] { return Style::label(); }) {
    setText(text);
    setFont(font);
    // Reached by Tab; a click leaves the focus where it is.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TextButton::setForeground(const QColor& color) {
    m_foreground = [color] { return color; };
    update();
}

void TextButton::setForeground(ColorFn color) {
    m_foreground = std::move(color);
    update();
}

QColor TextButton::foreground() const {
    return m_foreground ? m_foreground() : Style::label();
}

void TextButton::setBackground(const std::optional<QColor>& color, qreal radius) {
    m_background = color;
    m_radius = radius;
    update();
}

void TextButton::setPadding(int padding) {
    m_padding = padding;
    updateGeometry();
}

QSize TextButton::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 2 * m_padding + 2, fm.height() + 2);
}

void TextButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity((isDown() ? 0.7 : 1.0) * (isEnabled() ? 1.0 : 0.4));
    if (m_background) {
        p.setPen(Qt::NoPen);
        p.setBrush(*m_background);
        p.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
    }
    p.setFont(font());
    p.setPen(foreground());
    const QFontMetrics fm(font());
    const QRect textRect = rect().adjusted(m_padding, 0, -m_padding, 0);
    p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine,
               fm.elidedText(text(), Qt::ElideRight, textRect.width()));
}

#include "ui/widgets/SymbolButton.h"

#include "ui/widgets/Icons.h"
#include "ui/widgets/Style.h"

#include <QPainter>

SymbolButton::SymbolButton(const QString& symbol, int symbolSide, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_symbolSide(symbolSide)
    , m_tint([] { return Style::secondaryLabel(); }) {
    // Like the platform's buttons, clicking does not take the keyboard focus
    // away from a text field being edited.
    // Reached by Tab; a click leaves the focus where it is.
    setFocusPolicy(Qt::TabFocus);
}

void SymbolButton::setSymbol(const QString& symbol) {
    m_symbol = symbol;
    update();
}

void SymbolButton::setSymbolSide(int side) {
    m_symbolSide = side;
    update();
}

void SymbolButton::setTint(const QColor& color) {
    m_tint = [color] { return color; };
    update();
}

void SymbolButton::setTint(ColorFn color) {
    m_tint = std::move(color);
    update();
}

QColor SymbolButton::tint() const {
    return m_tint ? m_tint() : Style::secondaryLabel();
}

void SymbolButton::setBezelColor(const std::optional<QColor>& color) {
    m_bezel = color;
    update();
}

void SymbolButton::setBackground(const std::optional<QColor>& color, qreal radius) {
    m_background = color;
    m_backgroundRadius = radius;
    update();
}

void SymbolButton::setOpacity(qreal opacity) {
    if (qFuzzyCompare(opacity, m_opacity))
        return;
    m_opacity = opacity;
    update();
}

QSize SymbolButton::sizeHint() const {
    const int side = m_symbolSide + 6;
    return QSize(side, side);
}

void SymbolButton::paintEvent(QPaintEvent*) {
    if (m_opacity <= 0.0)
        return;
    QPainter p(this);
    p.setOpacity(m_opacity * (isDown() ? 0.7 : 1.0) * (isEnabled() ? 1.0 : 0.4));
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    if (m_bezel) {
        p.setPen(Qt::NoPen);
        p.setBrush(*m_bezel);
        const qreal side = qMin(r.width(), r.height());
        p.drawEllipse(QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side));
    } else if (m_background && m_background->alpha() > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(*m_background);
        p.drawRoundedRect(r, m_backgroundRadius, m_backgroundRadius);
    }
    const qreal dpr = devicePixelRatioF();
    const QPixmap pm = Icons::pixmap(m_symbol, m_symbolSide, tint(), dpr);
    const QPointF origin(r.center().x() - m_symbolSide / 2.0, r.center().y() - m_symbolSide / 2.0);
    p.drawPixmap(origin, pm);
}

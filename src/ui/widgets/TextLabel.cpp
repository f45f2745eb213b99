#include "ui/widgets/TextLabel.h"

#include <QAccessible>
#include <QEvent>
#include <QPainter>

TextLabel::TextLabel(const QString& text, const QFont& font, Style::Tone tone, QWidget* parent)
    : QWidget(parent)
    , m_text(text)
    , m_tone(tone) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TextLabel::setText(const QString& text) {
    if (text == m_text)
        return;
    const bool widthMayChange = m_text.size() != text.size();
    m_text = text;
    if (widthMayChange)
        updateGeometry();
    update();
    // The sync line's news, and any other label's, reach a screen reader.
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

void TextLabel::setTone(Style::Tone tone) {
    m_tone = tone;
    m_color.reset();
    update();
}

void TextLabel::setColor(const QColor& color) {
    m_color = color;
    update();
}

QColor TextLabel::color() const {
    return m_color ? *m_color : Style::tone(m_tone);
}

void TextLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void TextLabel::setElide(bool elide) {
    m_elide = elide;
    updateGeometry();
}

QSize TextLabel::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(m_text) + 1, fm.height());
}

QSize TextLabel::minimumSizeHint() const {
    if (!m_elide)
        return sizeHint();
    const QFontMetrics fm(font());
    return QSize(qMin(sizeHint().width(), fm.horizontalAdvance(QStringLiteral("…")) + 1),
                 fm.height());
}

void TextLabel::paintEvent(QPaintEvent*) {
    if (m_text.isEmpty())
        return;
    QPainter p(this);
    p.setFont(font());
    p.setPen(color());
    const QFontMetrics fm(font());
    const QString shown = m_elide ? fm.elidedText(m_text, Qt::ElideRight, width()) : m_text;
    const Qt::Alignment horizontal = m_alignment & Qt::AlignHorizontal_Mask;
    p.drawText(rect(), int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine), shown);
}

void TextLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

#include "ui/panel/HighlightLabel.h"

#include "ui/widgets/Style.h"

#include <QPainter>

HighlightLabel::HighlightLabel(const QString& text,
                               const std::optional<SuggestionHighlight::Range>& range,
                               const QFont& font, const QColor& highlight, QWidget* parent)
    : QWidget(parent)
    , m_text(text)
    , m_range(range)
    , m_highlight(highlight) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString HighlightLabel::highlightedText() const {
    if (!m_range)
        return QString();
    return m_text.mid(m_range->start, m_range->length);
}

QSize HighlightLabel::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(m_text) + 1, fm.height());
}

QSize HighlightLabel::minimumSizeHint() const {
    const QFontMetrics fm(font());
    return QSize(qMin(sizeHint().width(), fm.horizontalAdvance(QStringLiteral("…")) + 1),
                 fm.height());
}

void HighlightLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const QFontMetrics fm(font());
    const QString shown = fm.elidedText(m_text, Qt::ElideRight, width());
    if (m_range && m_range->length > 0) {
        // Only the part of the match that is still visible before the "…".
        const bool elided = shown != m_text;
        const qsizetype visible = elided ? qMax<qsizetype>(0, shown.size() - 1) : shown.size();
        const qsizetype start = qMin(m_range->start, visible);
        const qsizetype end = qMin(m_range->start + m_range->length, visible);
        if (end > start) {
            const int x0 = fm.horizontalAdvance(m_text.left(start));
            const int x1 = fm.horizontalAdvance(m_text.left(end));
            p.fillRect(QRect(x0, (height() - fm.height()) / 2, x1 - x0, fm.height()), m_highlight);
        }
    }
    p.setPen(Style::label());
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

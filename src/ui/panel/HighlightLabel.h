#pragma once

#include "ui/panel/SuggestionHighlight.h"

#include <QColor>
#include <QWidget>

#include <optional>

// One line of text with a coloured background behind one range of it; the
// text shrinks with "…" at the tail.
class HighlightLabel : public QWidget {
    Q_OBJECT
public:
    HighlightLabel(const QString& text, const std::optional<SuggestionHighlight::Range>& range,
                   const QFont& font, const QColor& highlight, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    std::optional<SuggestionHighlight::Range> range() const { return m_range; }
    // The highlighted part of the text, empty without a highlight.
    QString highlightedText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    std::optional<SuggestionHighlight::Range> m_range;
    QColor m_highlight;
};

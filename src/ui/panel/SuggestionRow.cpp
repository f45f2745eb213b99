#include "ui/panel/SuggestionRow.h"

#include "model/Theme.h"
#include "ui/panel/HighlightLabel.h"
#include "ui/panel/SuggestionHighlight.h"
#include "ui/widgets/LayerView.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

SuggestionRow::SuggestionRow(const Suggestion& suggestion, const QString& query, QWidget* parent)
    : QWidget(parent)
    , m_hover(new LayerView(this))
    , m_description(new HighlightLabel(
          suggestion.description, SuggestionHighlight::range(suggestion.description, query),
          Style::font(12.5), Style::withAlpha(Theme::accent(), 0.25), this))
    , m_client(new TextLabel(suggestion.clientName.value_or(u"No client"_s), Style::font(11),
                             Style::Tone::Secondary, this)) {
    m_hover->setFill(LayerView::ColorFn([] { return Style::withAlpha(Style::selection(), 0.18); }));
    m_hover->setRadius(7);
    m_hover->setAttribute(Qt::WA_TransparentForMouseEvents);
    pin(m_hover, this);
    m_hover->hide();
    m_hover->lower();

    auto* bullet = new TextLabel(u"\u2022"_s, Style::font(11), Style::Tone::Tertiary, this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(6);
    row->addWidget(m_description, 0, Qt::AlignVCenter);
    row->addWidget(bullet, 0, Qt::AlignVCenter);
    row->addWidget(dot(suggestion.color, 8, this), 0, Qt::AlignVCenter);
    row->addWidget(m_client, 0, Qt::AlignVCenter);
    row->addStretch(1);
    // The description gives way first when the row is narrow.
    m_description->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

bool SuggestionRow::isHighlighted() const {
    return m_hover->isVisibleTo(this);
}

void SuggestionRow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onClick)
        onClick();
}

void SuggestionRow::enterEvent(QEnterEvent* event) {
    m_hover->show();
    QWidget::enterEvent(event);
}

void SuggestionRow::leaveEvent(QEvent* event) {
    m_hover->hide();
    QWidget::leaveEvent(event);
}

#include "ui/panel/SuggestionListView.h"

#include "ui/panel/SuggestionRow.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

SuggestionListView::SuggestionListView(QWidget* parent)
    : QWidget(parent)
    , m_stack(new QVBoxLayout(this)) {
    floatingBackground(this, 12);
    m_stack->setContentsMargins(6, 6, 6, 6);
    m_stack->setSpacing(0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString SuggestionListView::headerText() const {
    return m_header ? m_header->text() : QString();
}

void SuggestionListView::clear() {
    // Rows may be asked to go while one of them is handling its own click.
    for (QWidget* item : std::as_const(m_items)) {
        m_stack->removeWidget(item);
        item->hide();
        item->deleteLater();
    }
    m_items.clear();
    m_rows.clear();
    m_header = nullptr;
}

void SuggestionListView::show(const QList<Suggestion>& suggestions, const QString& query) {
    clear();
    if (suggestions.isEmpty()) {
        hide();
        return;
    }

    auto* header = new QWidget(this);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(8, 6, 8, 3);
    headerRow->setSpacing(0);
    m_header =
        new TextLabel(query.isEmpty() ? u"RECENTLY TRACKED"_s : u"PREVIOUSLY TRACKED"_s,
                      Style::font(10, Style::Weight::Semibold), Style::Tone::Tertiary, header);
    headerRow->addWidget(m_header);
    m_stack->addWidget(header);
    m_items.append(header);

    QPointer<SuggestionListView> self(this);
    for (int i = 0; i < suggestions.size(); ++i) {
        auto* row = new SuggestionRow(suggestions[i], query, this);
        row->onClick = [self, i] {
            if (self && self->onPick)
                self->onPick(i);
        };
        m_stack->addWidget(row);
        m_items.append(row);
        m_rows.append(row);
    }
    // Children made while the list is already shown stay hidden until shown,
    // and hidden ones take no room: the list would shrink to its margins.
    for (QWidget* item : std::as_const(m_items))
        item->show();
    m_stack->activate();
    resize(width(), sizeHint().height());
    QWidget::show();
    raise();
}

#include "ui/panel/EntryListView.h"

#include "model/Clock.h"
#include "model/Time.h"
#include "ui/panel/DayGroupView.h"
#include "ui/panel/EntryRowView.h"
#include "ui/panel/GroupRowView.h"
#include "ui/panel/ListRow.h"
#include "ui/widgets/Spoken.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

EntryListView::EntryListView(QWidget* parent)
    : FlippedView(parent)
    , m_listStack(new QVBoxLayout(this)) {
    // The list reaches into the panel's right margin; its content stops 12 px
    // short of it, leaving room for the scroller.
    m_listStack->setContentsMargins(0, 0, 12, 0);
    m_listStack->setSpacing(10);
    m_listStack->addStretch(1);
}

QStringList EntryListView::dayTitles() const {
    QStringList titles;
    for (const TextLabel* label : m_dayTitleLabels)
        titles.append(label->text());
    return titles;
}

QWidget* EntryListView::dayHeader(const ListDay& day, const QDateTime& now, QWidget* parent) {
    auto* container = new QWidget(parent);
    container->setObjectName(QStringLiteral("dayHeader"));
    auto* row = new QHBoxLayout(container);
    row->setContentsMargins(12, 9, 36, 9);
    row->setSpacing(8);
    auto* title = new TextLabel(day.title, Style::font(12, Style::Weight::Semibold),
                                Style::Tone::Label, container);
    const double running = day.running ? EntryListBuilder::shownDuration(*day.running, now) : 0.0;
    auto* figure =
        new TextLabel(Time::hms(day.base + running), Style::monoDigits(12, Style::Weight::Semibold),
                      Style::Tone::Label, container);
    figure->setAlignment(Qt::AlignRight);
    figure->setElide(false);
    figure->setFixedWidth(m_figureWidth);
    row->addWidget(title, 1);
    row->addWidget(figure, 0);
    m_dayFigures.append(figure);
    m_dayTitleLabels.append(title);
    container->setAccessibleName(day.title + QStringLiteral(", ") + Spoken::figure(figure->text()));
    if (day.running)
        m_liveTotals.append({figure, day.base});
    return container;
}

void EntryListView::addEntryRow(const Entry& entry, bool indent, PopoverViewController* controller,
                                QList<QWidget*>& rows, QWidget* parent) {
    auto* row = new EntryRowView(entry, controller, indent, parent);
    ++m_rowsBuilt;
    m_rowViews.append(row);
    m_rowFigures.append(row->durationLabel());
    row->setDurationWidth(m_figureWidth);
    rows.append(row);
    if (!entry.endedAt)
        m_liveDurationLabels.append(row->durationLabel());
}

bool EntryListView::outgrown(const TextLabel* today) const {
    bool wider = today->sizeHint().width() > m_figureWidth;
    for (const QPair<TextLabel*, double>& total : m_liveTotals)
        wider = wider || total.first->sizeHint().width() > m_figureWidth;
    return wider;
}

void EntryListView::alignFigures(TextLabel* today) {
    int width = std::max(ListRow::minimumDurationWidth, today->sizeHint().width());
    for (const TextLabel* figure : figures())
        width = std::max(width, figure->sizeHint().width());
    today->setFixedWidth(width);
    m_figureWidth = width;
    for (TextLabel* figure : std::as_const(m_dayFigures))
        figure->setFixedWidth(width);
    for (ListRow* row : std::as_const(m_rowViews))
        row->setDurationWidth(width);
}

void EntryListView::setTabNeighbours(QWidget* before, QWidget* after) {
    m_tabBefore = before;
    m_tabAfter = after;
}

void EntryListView::focusNeighbour(ListRow* row, int step) {
    const qsizetype at = m_rowViews.indexOf(row) + step;
    if (at < 0 || at >= m_rowViews.size())
        return;
    QWidget* next = m_rowViews[at]->widget();
    next->setFocus(Qt::TabFocusReason);
    // The list is the document of a scroll area (through its viewport).
    if (auto* scroll =
            qobject_cast<QScrollArea*>(parentWidget() ? parentWidget()->parentWidget() : nullptr))
        scroll->ensureWidgetVisible(next);
}

void EntryListView::rebuild(const QList<ListDay>& days, PopoverViewController* controller,
                            const std::function<void(const QString&)>& onToggle) {
    // A row with the keys (a group opened from the keyboard) has them again after.
    QStringList focused;
    for (ListRow* row : std::as_const(m_rowViews)) {
        if (row->widget()->hasFocus())
            focused = row->entryIds();
    }
    // Old rows may be in the middle of handling their own click, so they are
    // hidden now and deleted once control returns to the event loop.
    for (QWidget* item : std::as_const(m_items)) {
        m_listStack->removeWidget(item);
        item->hide();
        item->deleteLater();
    }
    m_items.clear();
    m_rowViews.clear();
    m_liveDurationLabels.clear();
    m_liveTotals.clear();
    m_dayFigures.clear();
    m_rowFigures.clear();
    m_dayTitleLabels.clear();
    m_showsEmpty = days.isEmpty();

    if (days.isEmpty()) {
        auto* container = new QWidget(this);
        auto* box = new QHBoxLayout(container);
        box->setContentsMargins(12, 26, 12, 26);
        box->addWidget(
            new TextLabel(emptyText, Style::font(12.5), Style::Tone::Tertiary, container));
        m_listStack->insertWidget(m_listStack->count() - 1, container);
        m_items.append(container);
        return;
    }

    const QDateTime now = Clock::now();
    for (const ListDay& day : days) {
        auto* group = new DayGroupView(this);
        QList<QWidget*> rows;
        group->stack()->addWidget(dayHeader(day, now, group));
        for (const ListRun& run : day.runs) {
            if (!run.isGroup()) {
                addEntryRow(run.entries.first(), false, controller, rows, group);
                continue;
            }
            auto* row = new GroupRowView(run.entries, run.expanded, controller, group);
            ++m_rowsBuilt;
            const QString key = run.key;
            row->onToggle = [onToggle, key] {
                if (onToggle)
                    onToggle(key);
            };
            m_rowViews.append(row);
            m_rowFigures.append(row->durationLabel());
            row->setDurationWidth(m_figureWidth);
            rows.append(row);
            if (run.hasRunning())
                m_liveTotals.append(
                    {row->durationLabel(), EntryListBuilder::finishedSum(run.entries, now)});
            if (run.expanded) {
                for (const Entry& entry : run.entries)
                    addEntryRow(entry, true, controller, rows, group);
            }
        }
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (auto* row = dynamic_cast<ListRow*>(rows[i]))
                row->setShowsSeparator(i + 1 < rows.size());
            group->stack()->addWidget(rows[i]);
        }
        m_listStack->insertWidget(m_listStack->count() - 1, group);
        m_items.append(group);
    }
    // The rows follow the last of the widget before them and its own stops.
    QWidget* previous = m_tabBefore;
    for (QWidget* w = previous ? previous->nextInFocusChain() : nullptr;
         w && w != m_tabBefore && m_tabBefore->isAncestorOf(w); w = w->nextInFocusChain())
        previous = w;
    for (ListRow* row : std::as_const(m_rowViews)) {
        if (previous)
            setTabOrder(previous, row->widget());
        previous = row->widget();
        if (!focused.isEmpty() && row->entryIds() == focused)
            row->widget()->setFocus(Qt::TabFocusReason);
    }
    if (previous && m_tabAfter)
        setTabOrder(previous, m_tabAfter);
}

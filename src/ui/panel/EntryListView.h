#pragma once

#include "ui/panel/EntryListBuilder.h"
#include "ui/widgets/FlippedView.h"

#include <QList>
#include <QPair>
#include <QPointer>

#include <functional>

class ListRow;
class PopoverViewController;
class QVBoxLayout;
class TextLabel;

// The scrolling list's document: one day card per day, each with its header
// and rows. Rebuilt whole from a day list; remembers the labels that show the
// running entry so the ticker can rewrite just those.
class EntryListView : public FlippedView {
    Q_OBJECT
public:
    static inline const QString emptyText =
        QStringLiteral("Nothing tracked yet. Press Start to begin.");

    explicit EntryListView(QWidget* parent = nullptr);

    // Replaces the whole content. `onToggle` receives a group's key.
    void rebuild(const QList<ListDay>& days, PopoverViewController* controller,
                 const std::function<void(const QString&)>& onToggle);

    QVBoxLayout* listStack() const { return m_listStack; }
    const QList<ListRow*>& rowViews() const { return m_rowViews; }
    const QList<TextLabel*>& liveDurationLabels() const { return m_liveDurationLabels; }
    const QList<QPair<TextLabel*, double>>& liveTotals() const { return m_liveTotals; }
    // The day cards' header figures, in order.
    const QList<TextLabel*>& dayFigures() const { return m_dayFigures; }
    // Every figure of the list: day totals and row durations.
    QList<TextLabel*> figures() const { return m_dayFigures + m_rowFigures; }
    // One width for the duration column of every row and day card and for
    // `today` (today's total): at least the width the layout was drawn for,
    // and as wide as the widest figure, so 100 hours or more show whole.
    void alignFigures(TextLabel* today);
    // A running figure, or `today`, has grown past the column.
    bool outgrown(const TextLabel* today) const;
    // Tab reaches the rows after `before` (and the stops inside it) and goes
    // on to `after`.
    void setTabNeighbours(QWidget* before, QWidget* after);
    // The focus goes `step` rows down (or up) from `row`, scrolled into view.
    void focusNeighbour(ListRow* row, int step);
    // The day cards' titles, in order.
    QStringList dayTitles() const;
    bool showsEmptyState() const { return m_showsEmpty; }
    // Rows made since this view was created.
    int rowsBuilt() const { return m_rowsBuilt; }

private:
    QWidget* dayHeader(const ListDay& day, const QDateTime& now, QWidget* parent);
    void addEntryRow(const Entry& entry, bool indent, PopoverViewController* controller,
                     QList<QWidget*>& rows, QWidget* parent);

    QVBoxLayout* m_listStack;
    QList<QWidget*> m_items;
    QList<ListRow*> m_rowViews;
    QList<TextLabel*> m_liveDurationLabels;
    QList<QPair<TextLabel*, double>> m_liveTotals;
    QList<TextLabel*> m_dayFigures;
    QList<TextLabel*> m_rowFigures;
    int m_figureWidth = 62;
    QPointer<QWidget> m_tabBefore;
    QPointer<QWidget> m_tabAfter;
    QList<TextLabel*> m_dayTitleLabels;
    bool m_showsEmpty = false;
    int m_rowsBuilt = 0;
};

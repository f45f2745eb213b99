#pragma once

#include "model/Entry.h"
#include "ui/panel/ListRow.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <functional>

class PopoverViewController;
class TextLabel;

// A run of like entries shown as one row: a count badge, the newest entry's
// description and client, the finished total and a chevron that expands it.
class GroupRowView : public QWidget, public ListRow {
    Q_OBJECT
public:
    GroupRowView(const QList<Entry>& entries, bool expanded, PopoverViewController* controller,
                 QWidget* parent = nullptr);

    const QList<Entry>& entries() const { return m_entries; }
    bool expanded() const { return m_expanded; }
    TextLabel* durationLabel() const { return m_durationLabel; }
    QString countText() const { return QString::number(m_entries.size()); }
    QString titleText() const { return m_title; }
    QString clientText() const { return m_clientName; }
    QString entriesText() const;
    QString chevronSymbol() const;

    std::function<void()> onToggle;

    QStringList entryIds() const override;
    bool showsSeparator() const override { return m_showsSeparator; }
    void setShowsSeparator(bool shows) override;
    void setHovered(bool hovered) override;
    bool isHovered() const override { return m_hovered; }
    QWidget* widget() override { return this; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Return or Space opens (or expands) the row; Up and Down move through
    // the list.
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QList<Entry> m_entries;
    QPointer<PopoverViewController> m_controller;
    TextLabel* m_durationLabel;
    QString m_title;
    QString m_clientName;
    QColor m_dotColor;
    bool m_clientKnown = false;
    bool m_expanded = false;
    bool m_showsSeparator = true;
    bool m_hovered = false;
};

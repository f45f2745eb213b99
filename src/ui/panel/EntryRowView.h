#pragma once

#include "model/Entry.h"
#include "ui/panel/ListRow.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

class PopoverViewController;
class SymbolButton;
class TextLabel;

// One entry of the list: description, client and sync state on the left, the
// duration and a "Continue" button (shown on hover) on the right.
class EntryRowView : public QWidget, public ListRow {
    Q_OBJECT
public:
    EntryRowView(const Entry& entry, PopoverViewController* controller, bool indent,
                 QWidget* parent = nullptr);

    const Entry& entry() const { return m_entry; }
    bool indent() const { return m_indent; }
    TextLabel* durationLabel() const { return m_durationLabel; }
    SymbolButton* resumeButton() const { return m_resume; }
    QString titleText() const { return m_title; }
    QString clientText() const { return m_clientName; }
    QColor dotColor() const;
    bool showsPending() const { return m_pending; }
    // Where the title and the meta line begin.
    int contentLeft() const;

    QStringList entryIds() const override { return {m_entry.id}; }
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
    void tapResume();

    Entry m_entry;
    QPointer<PopoverViewController> m_controller;
    SymbolButton* m_resume;
    TextLabel* m_durationLabel;
    QString m_title;
    QString m_clientName;
    QColor m_dotColor;
    bool m_clientKnown = false;
    bool m_pending = false;
    bool m_showsSeparator = true;
    bool m_indent = false;
    bool m_hovered = false;
};

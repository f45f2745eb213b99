#pragma once

#include <QScrollBar>

class QAbstractScrollArea;

// A thin scroller laid over the right margin of a scroll area, following the
// area's own (hidden) vertical scroll bar, and shown only when there is
// something to scroll. The list keeps its full width either way.
class OverlayScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit OverlayScrollBar(QAbstractScrollArea* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void follow();

    QAbstractScrollArea* m_area;
};

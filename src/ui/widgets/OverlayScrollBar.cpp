#include "ui/widgets/OverlayScrollBar.h"

#include <QAbstractScrollArea>
#include <QEvent>

OverlayScrollBar::OverlayScrollBar(QAbstractScrollArea* area)
    : QScrollBar(Qt::Vertical, area)
    , m_area(area) {
    setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 7px; margin: 2px 0px 2px 0px; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 110); border-radius: 3px;"
        " min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    QScrollBar* inner = area->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, &OverlayScrollBar::follow);
    connect(inner, &QScrollBar::valueChanged, this, &QScrollBar::setValue);
    connect(this, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    area->installEventFilter(this);
    follow();
    place();
}

bool OverlayScrollBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area && event->type() == QEvent::Resize)
        place();
    return QScrollBar::eventFilter(watched, event);
}

void OverlayScrollBar::place() {
    setGeometry(m_area->width() - 10, 0, 7, m_area->height());
    raise();
}

void OverlayScrollBar::follow() {
    const QScrollBar* inner = m_area->verticalScrollBar();
    setRange(inner->minimum(), inner->maximum());
    setPageStep(inner->pageStep());
    setSingleStep(inner->singleStep());
    setValue(inner->value());
    setVisible(inner->maximum() > inner->minimum());
}

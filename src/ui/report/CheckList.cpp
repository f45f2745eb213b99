#include "ui/report/CheckList.h"

#include "model/Theme.h"
#include "ui/widgets/OverlayScrollBar.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QCheckBox>
#include <QScrollArea>
#include <QVBoxLayout>

CheckList::CheckList(QWidget* parent)
    : QWidget(parent) {
    auto* scroll = new QScrollArea(this);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to its boxes
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    new OverlayScrollBar(scroll);

    auto* document = new QWidget;
    document->setAutoFillBackground(false);
    m_stack = new QVBoxLayout(document);
    m_stack->setSpacing(3);
    m_stack->setContentsMargins(8, 6, 8, 6);
    m_stack->addStretch(1);
    scroll->setWidget(document);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(scroll);
}

void CheckList::setItems(const QList<Item>& items, const QString& emptyText) {
    // Everything but the closing stretch goes.
    while (m_stack->count() > 1) {
        QLayoutItem* item = m_stack->takeAt(0);
        delete item->widget();
        delete item;
    }
    m_boxes.clear();
    if (items.isEmpty()) {
        auto* note = new TextLabel(emptyText, Style::font(11.5), Style::Tone::Tertiary);
        note->setAlignment(Qt::AlignCenter);
        m_stack->insertWidget(0, note);
        return;
    }
    for (const Item& item : items) {
        auto* box = new QCheckBox(item.second);
        box->setFont(Style::font(12));
        QPalette palette = box->palette();
        palette.setColor(QPalette::Highlight, Theme::accent());
        palette.setColor(QPalette::WindowText, Style::label());
        box->setPalette(palette);
        m_stack->insertWidget(m_stack->count() - 1, box, 0, Qt::AlignLeft);
        m_boxes.append({item.first, box});
    }
}

QList<qint64> CheckList::selectedIds() const {
    QList<qint64> ids;
    for (const auto& [id, box] : m_boxes) {
        if (box->isChecked())
            ids.append(id);
    }
    return ids;
}

QList<qint64> CheckList::allIds() const {
    QList<qint64> ids;
    for (const auto& entry : m_boxes)
        ids.append(entry.first);
    return ids;
}

void CheckList::select(const QList<qint64>& ids) {
    for (const auto& [id, box] : m_boxes)
        box->setChecked(ids.contains(id));
}

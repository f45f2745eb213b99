#include "ui/admin/AdminOverlay.h"

#include "model/Theme.h"
#include "ui/widgets/CardView.h"
#include "ui/widgets/LayerView.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/OverlayScrollBar.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextButton.h"

#include <QApplication>
#include <QGridLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

AdminOverlay::AdminOverlay(QWidget* parent)
    : QWidget(parent) {
    // A click on its backdrop or card leaves the focus where it is.
    setFocusPolicy(Qt::NoFocus);
    m_card = new CardView(this);
    auto* glass = new LayerView(m_card);
    glass->setFill(LayerView::ColorFn([] { return Style::glass(); }));
    glass->setBorderWidth(1);
    glass->setBorderColor(LayerView::ColorFn([] { return Theme::cardBorder(); }));
    glass->setRadius(18);
    glass->setAttribute(Qt::WA_TransparentForMouseEvents);
    pin(glass, m_card);
    glass->lower();
    m_card->setFixedWidth(300);

    m_column = new QVBoxLayout(m_card);
    m_column->setContentsMargins(18, 16, 18, 16);
    m_column->setSpacing(10);

    auto* centre = new QGridLayout(this);
    centre->setContentsMargins(0, 0, 0, 0);
    centre->addWidget(m_card, 0, 0, Qt::AlignCenter);
}

QLineEdit* AdminOverlay::field(const QString& placeholder, double pixels, const QString& name) {
    auto* edit = new QLineEdit(m_card);
    edit->setPlaceholderText(placeholder);
    edit->setAccessibleName(placeholder);
    edit->setFont(Style::font(pixels));
    edit->setObjectName(name);
    return edit;
}

TextButton* AdminOverlay::primaryButton(const QString& text, const QString& name) {
    TextButton* button = capsuleButton(text, Theme::accent(), Theme::onAccent(), m_card);
    button->setObjectName(name);
    return button;
}

TextButton* AdminOverlay::plainButton(const QString& text, const QString& name) {
    TextButton* button =
        capsuleButton(text, Style::withAlpha(Style::label(), 0.10), Style::label(), m_card);
    button->setObjectName(name);
    return button;
}

TextButton* AdminOverlay::smallButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new TextButton(text, Style::font(10.5), parent);
    button->setBackground(Style::withAlpha(Style::label(), 0.10), 5);
    button->setForeground(Style::label());
    button->setPadding(6);
    button->setFixedHeight(20);
    button->setObjectName(name);
    return button;
}

QVBoxLayout* AdminOverlay::scrollList(int height) {
    auto* scroll = new QScrollArea(m_card);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setFixedHeight(height);
    scroll->viewport()->setAutoFillBackground(false);
    auto* document = new QWidget(scroll);
    auto* rows = new QVBoxLayout(document);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->setSpacing(3);
    rows->addStretch(1);
    scroll->setWidget(document);
    // setWidget() paints the document with the window colour; the list shows
    // the card through.
    document->setAutoFillBackground(false);
    new OverlayScrollBar(scroll);
    m_column->addWidget(scroll);
    return rows;
}

void AdminOverlay::clearRows(QVBoxLayout* rows) {
    // The closing stretch stays; everything before it goes.
    while (rows->count() > 1) {
        QLayoutItem* item = rows->takeAt(0);
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
}

void AdminOverlay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, qRound(0.45 * 255)));
}

void AdminOverlay::mousePressEvent(QMouseEvent* event) {
    // The backdrop keeps clicks away from what lies below.
    event->accept();
}

QList<QWidget*> AdminOverlay::tabStops() const {
    QList<QWidget*> stops;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (isAncestorOf(w) && w->isVisibleTo(this) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus))
            stops.append(w);
    }
    return stops;
}

void AdminOverlay::takeFocus() {
    QWidget* before = QApplication::focusWidget();
    if (before && !isAncestorOf(before))
        m_focusBefore = before;
    for (QWidget* stop : tabStops()) {
        if (qobject_cast<QLineEdit*>(stop)) {
            stop->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    setFocus(Qt::OtherFocusReason);
}

void AdminOverlay::giveBackFocus() {
    if (m_focusBefore && m_focusBefore->isVisible()) {
        m_focusBefore->activateWindow();
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    }
}

bool AdminOverlay::focusNextPrevChild(bool next) {
    // Tab never leaves the overlay for the fields it covers.
    const QList<QWidget*> stops = tabStops();
    if (stops.isEmpty()) {
        setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    const qsizetype at = stops.indexOf(QApplication::focusWidget());
    const qsizetype count = stops.size();
    const qsizetype to = at < 0 ? (next ? 0 : count - 1) : (at + (next ? 1 : count - 1)) % count;
    stops[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

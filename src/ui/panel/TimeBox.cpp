#include "ui/panel/TimeBox.h"

#include "model/Theme.h"
#include "ui/widgets/Style.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>

TimeBox::TimeBox(QWidget* parent)
    : LayerView(parent)
    , m_label(new QLineEdit(QStringLiteral("0:00:00"), this)) {
    setRadius(9);
    setBorderWidth(0);
    setBorderColor(Style::withAlpha(Theme::accent(), 0.9));
    setFixedWidth(110);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_label->setFont(Style::monoDigits(16, Style::Weight::Semibold));
    m_label->setAccessibleName(QStringLiteral("Running time"));
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label->setFrame(false);
    m_label->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_label->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; "
                                          "padding: 0px; margin: 0px; }"));
    m_label->setTextMargins(0, 0, 0, 0);
    // The whole box is one click target: the label never takes the click itself.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->installEventFilter(this);
    connect(m_label, &QLineEdit::textEdited, this, [this] {
        if (!m_edited) {
            // The first change of an editing session counts as its beginning.
            m_edited = true;
            if (onBeginEditing)
                onBeginEditing();
        }
    });
    // Return ends the editing, which hands the text over once.
    connect(m_label, &QLineEdit::returnPressed, this, [this] { m_label->clearFocus(); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 3, 10, 3);
    row->addWidget(m_label);
    setFixedHeight(m_label->sizeHint().height() + 6);
}

bool TimeBox::isEditing() const {
    return m_label->hasFocus();
}

void TimeBox::showTime(const QString& text) {
    m_shown = text;
    if (!isEditing() && m_label->text() != text)
        m_label->setText(text);
}

bool TimeBox::cancelEditing() {
    if (!isEditing())
        return false;
    m_edited = false;
    m_label->setText(m_shown);
    m_label->clearFocus();
    return true;
}

void TimeBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    m_label->setFocus(Qt::MouseFocusReason);
    m_label->selectAll();
    setBorderWidth(1);
    if (onBeginEditing)
        onBeginEditing();
}

void TimeBox::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    setFill(QColor(0, 0, 0, qRound(0.22 * 255)));
    LayerView::enterEvent(event);
}

void TimeBox::leaveEvent(QEvent* event) {
    m_hovered = false;
    if (!isEditing())
        setFill(std::nullopt);
    LayerView::leaveEvent(event);
}

bool TimeBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_label &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // The window losing and regaining activation (or a menu opening) is
        // neither the start nor the end of an edit: the panel hiding cancels it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return LayerView::eventFilter(watched, event);
        if (event->type() == QEvent::FocusIn)
            beginEditing();
        else
            endEditing();
    }
    return LayerView::eventFilter(watched, event);
}

void TimeBox::beginEditing() {
    m_edited = false;
    m_label->selectAll();
    setBorderWidth(1);
}

void TimeBox::endEditing() {
    setBorderWidth(0);
    if (!m_hovered)
        setFill(std::nullopt);
    const bool edited = m_edited;
    m_edited = false;
    m_label->deselect();
    // Only typed text is handed over: leaving the box untouched must not move
    // the start by the seconds that passed while the figure stood still.
    if (edited && onCommit)
        onCommit(m_label->text());
}

#include "ui/panel/EntryRowView.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Theme.h"
#include "model/Time.h"
#include "ui/panel/EntryListBuilder.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/widgets/RowMetrics.h"
#include "ui/widgets/RowPainting.h"
#include "ui/widgets/Spoken.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int indentLeft = 34;
constexpr int resumeSide = 20;
} // namespace

EntryRowView::EntryRowView(const Entry& entry, PopoverViewController* controller, bool indent,
                           QWidget* parent)
    : QWidget(parent)
    , m_entry(entry)
    , m_controller(controller)
    , m_resume(new SymbolButton(QStringLiteral("play.fill"), 11, this))
    , m_durationLabel(new TextLabel(Time::hms(EntryListBuilder::shownDuration(entry, Clock::now())),
                                    RowMetrics::get().duration, Style::Tone::Label, this))
    , m_title(entry.description.isEmpty() ? QStringLiteral("(no description)") : entry.description)
    , m_pending(entry.syncState == Entry::pending)
    , m_indent(indent) {
    const RowMetrics::ClientLook look =
        RowMetrics::clientLook(controller ? controller->model() : nullptr, entry);
    m_clientName = look.name;
    m_dotColor = look.color;
    m_clientKnown = look.known;

    m_durationLabel->setAlignment(Qt::AlignRight);
    m_durationLabel->setElide(false);

    m_resume->setTint(Theme::accent());
    m_resume->setBackground(QColor(Qt::transparent), 10);
    m_resume->setToolTip(QStringLiteral("Continue"));
    m_resume->setAccessibleName(QStringLiteral("Continue"));
    m_resume->setFixedSize(resumeSide, resumeSide);
    m_resume->setOpacity(0);
    connect(m_resume, &SymbolButton::clicked, this, &EntryRowView::tapResume);

    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(
        Spoken::row(m_title, m_clientName, EntryListBuilder::shownDuration(entry, Clock::now())));
}

QColor EntryRowView::dotColor() const {
    return m_clientKnown ? m_dotColor : Style::tertiaryLabel();
}

int EntryRowView::contentLeft() const {
    return m_indent ? indentLeft : insetLeft;
}

void EntryRowView::setShowsSeparator(bool shows) {
    m_showsSeparator = shows;
    update();
}

void EntryRowView::setHovered(bool hovered) {
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    m_resume->setOpacity(hovered ? 1.0 : 0.0);
    update();
}

QSize EntryRowView::sizeHint() const {
    return QSize(contentLeft() + 120 + gap + m_durationWidth + gap + resumeSide + insetRight,
                 RowMetrics::get().rowHeight);
}

QSize EntryRowView::minimumSizeHint() const {
    return QSize(contentLeft() + gap + m_durationWidth + gap + resumeSide + insetRight,
                 RowMetrics::get().rowHeight);
}

void EntryRowView::resizeEvent(QResizeEvent* event) {
    const int contentTop = insetTop;
    const int contentHeight = height() - insetTop - 9;
    const int right = width() - insetRight;
    const int centre = contentTop + contentHeight / 2;
    m_resume->setGeometry(right - resumeSide, centre - resumeSide / 2, resumeSide, resumeSide);
    const int durationRight = right - resumeSide - gap;
    const int durationHeight = m_durationLabel->sizeHint().height();
    m_durationLabel->setGeometry(durationRight - m_durationWidth, centre - durationHeight / 2,
                                 m_durationWidth, durationHeight);
    QWidget::resizeEvent(event);
}

void EntryRowView::paintEvent(QPaintEvent*) {
    const RowMetrics& m = RowMetrics::get();
    QPainter p(this);
    if (m_hovered)
        RowPainting::hover(p, this, !m_showsSeparator);

    const int left = contentLeft();
    const int textRight = width() - insetRight - resumeSide - gap - m_durationWidth - gap;
    const int textWidth = qMax(0, textRight - left);
    const int stackHeight = m.titleHeight + 2 + m.metaHeight;
    const int top = insetTop + (height() - insetTop - 9 - stackHeight) / 2;
    RowPainting::title(p, QRect(left, top, textWidth, m.titleHeight), m_title);
    RowPainting::metaLine(p, QRect(left, top + m.titleHeight + 2, textWidth, m.metaHeight),
                          dotColor(), m_clientName,
                          m_pending ? QStringLiteral("· pending") : QString());
    if (m_showsSeparator)
        RowPainting::separator(p, this);
}

void EntryRowView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (m_controller)
        m_controller->openEditor(m_entry, this);
}

void EntryRowView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (m_controller && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space))
        return m_controller->openEditor(m_entry, this);
    if (m_controller && (key == Qt::Key_Up || key == Qt::Key_Down))
        return m_controller->focusNeighbourRow(this, key == Qt::Key_Down ? 1 : -1);
    QWidget::keyPressEvent(event);
}

void EntryRowView::enterEvent(QEnterEvent* event) {
    if (m_controller)
        m_controller->rowHover(this, true);
    QWidget::enterEvent(event);
}

void EntryRowView::leaveEvent(QEvent* event) {
    if (m_controller)
        m_controller->rowHover(this, false);
    QWidget::leaveEvent(event);
}

void EntryRowView::tapResume() {
    if (!m_controller)
        return;
    AppModel* model = m_controller->model();
    // Copy first: starting rebuilds the list, which deletes this row.
    const QString description = m_entry.description;
    const std::optional<QString> clientId = m_entry.clientId;
    model->start(description, clientId);
    model->syncNow();
}

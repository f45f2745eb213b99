#include "ui/panel/GroupRowView.h"

#include "model/Clock.h"
#include "model/Theme.h"
#include "model/Time.h"
#include "ui/panel/EntryListBuilder.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/RowMetrics.h"
#include "ui/widgets/RowPainting.h"
#include "ui/widgets/Spoken.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {
constexpr int chevronWidth = 20;
constexpr int badgeSide = 24;
constexpr int badgeGap = 9;
constexpr int chevronSymbolSide = 11;
} // namespace

GroupRowView::GroupRowView(const QList<Entry>& entries, bool expanded,
                           PopoverViewController* controller, QWidget* parent)
    : QWidget(parent)
    , m_entries(entries)
    , m_controller(controller)
    , m_durationLabel(new TextLabel(Time::hms(EntryListBuilder::finishedSum(entries, Clock::now())),
                                    RowMetrics::get().duration, Style::Tone::Label, this))
    , m_expanded(expanded) {
    const Entry first = entries.isEmpty() ? Entry() : entries.first();
    m_title = first.description.isEmpty() ? QStringLiteral("(no description)") : first.description;
    const RowMetrics::ClientLook look =
        RowMetrics::clientLook(controller ? controller->model() : nullptr, first);
    m_clientName = look.name;
    m_dotColor = look.color;
    m_clientKnown = look.known;

    m_durationLabel->setAlignment(Qt::AlignRight);
    m_durationLabel->setElide(false);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(
        Spoken::row(m_title, m_clientName, EntryListBuilder::finishedSum(entries, Clock::now())) +
        u", "_s + QString::number(entries.size()) +
        (expanded ? u" entries, expanded"_s : u" entries, collapsed"_s));
}

QString GroupRowView::entriesText() const {
    return QStringLiteral("· ") + QString::number(m_entries.size()) + QStringLiteral(" entries");
}

QString GroupRowView::chevronSymbol() const {
    return m_expanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right");
}

QStringList GroupRowView::entryIds() const {
    QStringList ids;
    ids.reserve(m_entries.size());
    for (const Entry& e : m_entries)
        ids.append(e.id);
    return ids;
}

void GroupRowView::setShowsSeparator(bool shows) {
    m_showsSeparator = shows;
    update();
}

void GroupRowView::setHovered(bool hovered) {
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    update();
}

QSize GroupRowView::sizeHint() const {
    return QSize(insetLeft + badgeSide + badgeGap + 120 + gap + m_durationWidth + gap +
                     chevronWidth + insetRight,
                 RowMetrics::get().rowHeight);
}

QSize GroupRowView::minimumSizeHint() const {
    return QSize(insetLeft + badgeSide + gap + m_durationWidth + gap + chevronWidth + insetRight,
                 RowMetrics::get().rowHeight);
}

void GroupRowView::resizeEvent(QResizeEvent* event) {
    const int centre = insetTop + (height() - insetTop - 9) / 2;
    const int durationRight = width() - insetRight - chevronWidth - gap;
    const int durationHeight = m_durationLabel->sizeHint().height();
    m_durationLabel->setGeometry(durationRight - m_durationWidth, centre - durationHeight / 2,
                                 m_durationWidth, durationHeight);
    QWidget::resizeEvent(event);
}

void GroupRowView::paintEvent(QPaintEvent*) {
    const RowMetrics& m = RowMetrics::get();
    QPainter p(this);
    if (m_hovered)
        RowPainting::hover(p, this, !m_showsSeparator);

    const int centre = insetTop + (height() - insetTop - 9) / 2;

    // Count badge.
    const QRectF badge(insetLeft + 0.5, centre - badgeSide / 2 + 0.5, badgeSide - 1, badgeSide - 1);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Style::withAlpha(Theme::accent(), 0.16));
    p.setPen(QPen(Theme::accent(), 1));
    p.drawRoundedRect(badge, 6.5, 6.5);
    p.setFont(m.badge);
    p.setPen(Theme::accent());
    p.drawText(badge, Qt::AlignCenter | Qt::TextSingleLine, countText());
    p.restore();

    // Title and meta line.
    const int left = insetLeft + badgeSide + badgeGap;
    const int textRight = width() - insetRight - chevronWidth - gap - m_durationWidth - gap;
    const int textWidth = qMax(0, textRight - left);
    const int stackHeight = m.titleHeight + 2 + m.metaHeight;
    const int top = insetTop + (height() - insetTop - 9 - stackHeight) / 2;
    RowPainting::title(p, QRect(left, top, textWidth, m.titleHeight), m_title);
    RowPainting::metaLine(p, QRect(left, top + m.titleHeight + 2, textWidth, m.metaHeight),
                          m_clientKnown ? m_dotColor : Style::tertiaryLabel(), m_clientName,
                          entriesText());

    // Chevron, centred in its 20 px column.
    const int chevronLeft = width() - insetRight - chevronWidth;
    const QPixmap chevron = Icons::pixmap(chevronSymbol(), chevronSymbolSide,
                                          Style::tertiaryLabel(), devicePixelRatioF());
    p.drawPixmap(QPointF(chevronLeft + (chevronWidth - chevronSymbolSide) / 2.0,
                         centre - chevronSymbolSide / 2.0),
                 chevron);

    if (m_showsSeparator)
        RowPainting::separator(p, this);
}

void GroupRowView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (onToggle && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space))
        return onToggle();
    if (m_controller && (key == Qt::Key_Up || key == Qt::Key_Down))
        return m_controller->focusNeighbourRow(this, key == Qt::Key_Down ? 1 : -1);
    QWidget::keyPressEvent(event);
}

void GroupRowView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onToggle)
        onToggle();
}

void GroupRowView::enterEvent(QEnterEvent* event) {
    if (m_controller)
        m_controller->rowHover(this, true);
    QWidget::enterEvent(event);
}

void GroupRowView::leaveEvent(QEvent* event) {
    if (m_controller)
        m_controller->rowHover(this, false);
    QWidget::leaveEvent(event);
}

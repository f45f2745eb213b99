#include "ui/panel/PopoverViewController.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/ClockTimer.h"
#include "model/Theme.h"
#include "model/Time.h"
#include "ui/editor/DetailsCardController.h"
#include "ui/editor/TimeEditorController.h"
#include "ui/panel/ClientMenu.h"
#include "ui/panel/ComposerView.h"
#include "ui/panel/EntryListBuilder.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/ListRow.h"
#include "ui/panel/PanelOverlays.h"
#include "ui/panel/SetupOverlayView.h"
#include "ui/panel/SuggestionListView.h"
#include "ui/panel/SyncLine.h"
#include "ui/panel/TimeBox.h"
#include "ui/panel/TodayTotal.h"
#include "ui/panel/TypedDuration.h"
#include "ui/widgets/ChipView.h"
#include "ui/widgets/LayerView.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/OverlayScrollBar.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QUuid>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The panel's rows stop 12 px short of the right edge; the list alone reaches
// into that margin (its scroller draws there).
QHBoxLayout* inset(QWidget* widget, int right = 12) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, right, 0);
    row->setSpacing(0);
    row->addWidget(widget);
    return row;
}

QColor syncColor(SyncLine::Tone tone) {
    switch (tone) {
    case SyncLine::Tone::Tertiary:
        return Style::tertiaryLabel();
    case SyncLine::Tone::Stop:
        return Theme::stop();
    case SyncLine::Tone::Green:
        return Style::systemGreen();
    case SyncLine::Tone::Orange:
        return Style::systemOrange();
    }
    return Style::tertiaryLabel();
}

} // namespace

PopoverViewController::PopoverViewController(AppModel* model, QWidget* parent)
    : FlippedView(parent)
    , m_model(model)
    , m_editDebounce(new ClockTimer(this)) {
    connect(m_editDebounce, &ClockTimer::timeout, this, &PopoverViewController::renameRunning);
    buildView();
    m_card = new DetailsCardController(model, this);
    m_overlays = new PanelOverlays(model, this, m_card);
    m_timeEditor = new TimeEditorController(model, this, m_composer->timeBox());
}

PopoverViewController::~PopoverViewController() {
    // The children call back into the controller (focus leaving the field,
    // the pointer leaving a row); they go first, while this object is whole.
    m_built = false;
    m_composer->detach();
    m_suggestionView->onPick = nullptr;
    hide();
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
    // The card is a window of its own, not a child; it goes while this
    // object is still whole.
    delete m_card;
}

void PopoverViewController::buildView() {
    resize(380, 620);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(12, 12, 0, 12);
    stack->setSpacing(10);

    // 1. Header.
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 12, 0);
    header->setSpacing(6);
    header->addWidget(new TextLabel(u"Zevra Tikit"_s, Style::font(13, Style::Weight::Semibold),
                                    Style::Tone::Label, this),
                      1);
    m_usersButton = symbolButton(u"person.2"_s, u"Team"_s, this);
    auto* reports = symbolButton(u"chart.bar.xaxis"_s, u"Reports"_s, this);
    auto* settings = symbolButton(u"gearshape"_s, u"Settings"_s, this);
    m_usersButton->setObjectName(u"team"_s);
    reports->setObjectName(u"reports"_s);
    settings->setObjectName(u"settings"_s);
    connect(m_usersButton, &SymbolButton::clicked, this, &PopoverViewController::openUsers);
    connect(reports, &SymbolButton::clicked, this, &PopoverViewController::openReports);
    connect(settings, &SymbolButton::clicked, this, &PopoverViewController::openSettings);
    header->addWidget(m_usersButton);
    header->addWidget(reports);
    header->addWidget(settings);
    stack->addLayout(header);

    // 2. Composer.
    m_composer = new ComposerView(m_model, this, this);
    stack->addLayout(inset(m_composer));

    // 3. Today's total, its figure in line with the rows' duration column.
    auto* today = new QHBoxLayout;
    today->setContentsMargins(0, 0, 12 + 36, 0);
    today->setSpacing(8);
    today->addWidget(new TextLabel(u"TODAY TOTAL"_s, Style::font(10, Style::Weight::Semibold),
                                   Style::Tone::Tertiary, this),
                     1);
    m_todayTotalLabel = new TextLabel(u"0:00:00"_s, Style::monoDigits(12, Style::Weight::Semibold),
                                      Style::Tone::Label, this);
    m_todayTotalLabel->setObjectName(u"todayTotal"_s);
    m_todayTotalLabel->setAlignment(Qt::AlignRight);
    m_todayTotalLabel->setElide(false);
    m_todayTotalLabel->setFixedWidth(62);
    today->addWidget(m_todayTotalLabel);
    stack->addLayout(today);

    // 4. The list, taking the free height.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to its rows, not to the scroller
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    m_list = new EntryListView;
    m_list->setAutoFillBackground(false);
    scroll->setWidget(m_list);
    new OverlayScrollBar(scroll);
    connect(scroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &PopoverViewController::listScrolled);
    stack->addWidget(scroll, 1);

    // 5. Sync line.
    auto* sync = new QHBoxLayout;
    sync->setContentsMargins(0, 0, 12, 0);
    sync->setSpacing(6);
    m_syncDot = new LayerView(this);
    m_syncDot->setFixedSize(8, 8);
    m_syncDot->setRadius(4);
    m_syncDot->setFill(Style::tertiaryLabel());
    m_syncLabel = new TextLabel(QString(), Style::font(10.5), Style::Tone::Secondary, this);
    m_syncLabel->setObjectName(u"syncLine"_s);
    auto* syncButton = new TextButton(u"Sync"_s, Style::font(11.5, Style::Weight::Medium), this);
    syncButton->setObjectName(u"syncButton"_s);
    syncButton->setForeground(Theme::accent());
    connect(syncButton, &TextButton::clicked, this, &PopoverViewController::tapSync);
    sync->addWidget(m_syncDot, 0, Qt::AlignVCenter);
    sync->addWidget(m_syncLabel, 1, Qt::AlignVCenter);
    sync->addWidget(syncButton, 0, Qt::AlignVCenter);
    stack->addLayout(sync);

    // The suggestion list floats over the list, under the composer.
    m_suggestionView = new SuggestionListView(this);
    m_suggestionView->hide();
    QPointer<PopoverViewController> self(this);
    m_suggestionView->onPick = [self](int index) {
        if (self)
            self->pickSuggestion(index);
    };
    m_composer->installEventFilter(this);
    // Tab goes from the composer through the rows, in order, to the sync line.
    m_list->setTabNeighbours(m_composer, syncButton);
    m_built = true;
}

bool PopoverViewController::eventFilter(QObject* watched, QEvent* event) {
    const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize;
    if (watched == m_composer && moved)
        placeSuggestions();
    if (watched == window() && moved)
        mainWindowFrameChanged();
    return FlippedView::eventFilter(watched, event);
}

void PopoverViewController::placeSuggestions() {
    if (!m_suggestionView || !m_composer)
        return;
    const QRect composer = m_composer->geometry();
    m_suggestionView->setGeometry(composer.left(), composer.bottom() + 1 + 4, composer.width(),
                                  m_suggestionView->sizeHint().height());
}

QLineEdit* PopoverViewController::composerField() const {
    return m_composer ? m_composer->field() : nullptr;
}

// --- Refreshing --------------------------------------------------------------

QWidget* PopoverViewController::detailsWindow() const {
    return m_card->window();
}

EditorView* PopoverViewController::editorView() const {
    return m_card->editor();
}

TimeEditorOverlay* PopoverViewController::timeEditor() const {
    return m_timeEditor->editor();
}

void PopoverViewController::reload() {
    if (!m_built)
        return;
    // The card shows the entry as stored now, or goes with it.
    m_card->follow();
    const Settings& settings = m_model->store().db().settings;
    m_usersButton->setVisible(settings.isAdmin);
    m_composer->configure();
    rebuildList();
    updateSyncRow();
    updateTodayTotal();
    if ((settings.server.isEmpty() || settings.apiKey.isEmpty()) && !m_overlays->setup())
        openSettings();
}

void PopoverViewController::rebuildList() {
    m_hoveredRow = nullptr;
    const QDateTime now = Clock::now();
    const QList<Entry> listed = EntryListBuilder::listed(m_model->store().db().entries);
    const QList<ListDay> days = EntryListBuilder::days(listed, now, m_expandedGroups);
    QPointer<PopoverViewController> self(this);
    m_list->rebuild(days, this, [self](const QString& key) {
        if (!self)
            return;
        EntryListBuilder::toggle(self->m_expandedGroups, key);
        self->rebuildList();
    });
    // The new rows get their places once the layouts run; the card then
    // follows its row there.
    if (m_card->window())
        QMetaObject::invokeMethod(this, &PopoverViewController::listScrolled, Qt::QueuedConnection);
}

void PopoverViewController::updateSyncRow() {
    const SyncLine::State state = SyncLine::compute(
        m_model->store().db().settings, m_model->lastSync(), m_model->pendingCount(), Clock::now());
    const SyncLine::Tone tone = state.tone;
    m_syncDot->setFill(LayerView::ColorFn([tone] { return syncColor(tone); }));
    m_syncLabel->setText(state.text);
}

void PopoverViewController::updateTodayTotal() {
    const QDateTime now = Clock::now();
    m_todayBase = TodayTotal::base(m_model->store().db().entries, now);
    m_todayTotalLabel->setText(Time::hms(TodayTotal::shown(m_todayBase, m_model->running(), now)));
    m_list->alignFigures(m_todayTotalLabel);
}

void PopoverViewController::updateLiveTime() {
    if (!m_built)
        return;
    const std::optional<Entry> running = m_model->running();
    if (!running)
        return;
    const double d = EntryListBuilder::shownDuration(*running, Clock::now());
    const QString figure = Time::hms(d);
    m_composer->timeBox()->showTime(figure);
    for (TextLabel* label : m_list->liveDurationLabels())
        label->setText(figure);
    for (const QPair<TextLabel*, double>& total : m_list->liveTotals())
        total.first->setText(Time::hms(total.second + d));
    m_todayTotalLabel->setText(Time::hms(m_todayBase + d));
    // A running total that grows a digit widens the column.
    if (m_list->outgrown(m_todayTotalLabel))
        m_list->alignFigures(m_todayTotalLabel);
}

// --- Composer ------------------------------------------------------------------

void PopoverViewController::showSuggestions(const QString& text) {
    m_suggestionView->show(m_model->suggestions(text), text);
    placeSuggestions();
}

void PopoverViewController::hideSuggestions() {
    m_suggestionView->hide();
}

void PopoverViewController::descriptionEdited(const QString& text) {
    showSuggestions(text);
    if (m_model->running())
        m_editDebounce->start(700);
}

void PopoverViewController::renameRunning() {
    const std::optional<Entry> running = m_model->running();
    if (!running)
        return;
    const QString text = m_composer->field()->text();
    // Typing back to the stored text is no change.
    if (text.trimmed() == running->description)
        return;
    m_model->updateDescription(*running, text);
}

void PopoverViewController::flushPendingRename() {
    if (!m_editDebounce->isActive())
        return;
    m_editDebounce->stop();
    renameRunning();
}

void PopoverViewController::pickSuggestion(int index) {
    const QList<Suggestion> suggestions = m_model->suggestions(m_composer->field()->text());
    if (index < 0 || index >= suggestions.size())
        return;
    hideSuggestions();
    const Suggestion picked = suggestions[index];
    // The pick replaces what was typed; a rename still waiting for quiet
    // would otherwise undo it.
    m_editDebounce->stop();
    if (const std::optional<Entry> running = m_model->running()) {
        m_model->updateDescription(*running, picked.description);
        if (picked.clientId) {
            // Again from the store: the rename above replaced the entry.
            if (const std::optional<Entry> renamed = m_model->running())
                m_model->updateClient(*renamed, picked.clientId);
        }
        m_composer->field()->setText(picked.description);
        m_model->syncNow();
        return;
    }
    m_composer->field()->setText(picked.description);
    m_pendingClientId = picked.clientId;
    m_composer->configure();
}

void PopoverViewController::toggleStartStop(const QString& description) {
    hideSuggestions();
    if (m_model->running()) {
        // Text typed just before stopping still names the entry.
        flushPendingRename();
        if (const std::optional<Entry> running = m_model->running()) {
            m_model->stop(*running);
            m_model->syncNow();
        }
        return;
    }
    const std::optional<QString> clientId = m_pendingClientId;
    m_model->start(description, clientId);
    m_pendingClientId.reset();
    m_model->syncNow();
}

void PopoverViewController::applyComposerDuration(const QString& text) {
    const std::optional<Entry> running = m_model->running();
    const std::optional<QString> start =
        running ? TypedDuration::startFor(text, Clock::now()) : std::nullopt;
    if (!start) {
        m_composer->configure();
        return;
    }
    m_model->updateTimes(*running, *start, std::nullopt);
    m_timeEditor->close();
    m_model->syncNow();
}

void PopoverViewController::setComposerClient(const std::optional<QString>& clientId) {
    if (const std::optional<Entry> running = m_model->running()) {
        m_model->updateClient(*running, clientId);
        m_model->syncNow();
        return;
    }
    m_pendingClientId = clientId;
    m_composer->configure();
}

void PopoverViewController::showClientMenu(QWidget* anchor) {
    if (!anchor)
        return;
    std::optional<QString> current = m_pendingClientId;
    if (const std::optional<Entry> running = m_model->running(); running && running->clientId)
        current = running->clientId;
    if (m_clientMenu)
        m_clientMenu->close();
    QPointer<PopoverViewController> self(this);
    m_clientMenu = ClientMenu::build(
        m_model->clients(), current,
        [self](const std::optional<QString>& id) {
            if (self)
                self->setComposerClient(id);
        },
        [self] {
            if (self)
                self->showClientsManager();
        },
        this);
    m_clientMenu->popup(anchor->mapToGlobal(QPoint(0, anchor->height() + 6)));
}

void PopoverViewController::removePendingShot(const QString& id) {
    m_model->pendingShots().removeIf([&id](const PendingShot& s) { return s.id == id; });
    m_composer->configure();
}

// --- Paste -------------------------------------------------------------------

std::optional<QString> PopoverViewController::clipboardImageExt(const QMimeData* mime) {
    if (!mime)
        return std::nullopt;
    if (mime->hasFormat(u"image/png"_s) || mime->hasFormat(u"image/tiff"_s) || mime->hasImage())
        return u"png"_s;
    return std::nullopt;
}

void PopoverViewController::handlePasteScreenshot(const QByteArray& data, const QString& ext) {
    if (data.isEmpty())
        return;
    if (EditorView* editor = m_card->editor()) {
        // The card follows the stored entry, pictures included.
        m_model->addScreenshot(editor->currentEntry(), data, ext);
        m_model->syncNow();
        return;
    }
    if (const std::optional<Entry> running = m_model->running()) {
        m_model->addScreenshot(*running, data, ext);
        m_model->syncNow();
        return;
    }
    PendingShot shot;
    shot.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    shot.data = data;
    shot.ext = ext;
    m_model->pendingShots().append(shot);
    m_composer->configure();
}

// --- Rows --------------------------------------------------------------------

void PopoverViewController::rowHover(ListRow* row, bool inside) {
    if (inside)
        m_hoveredRow = row;
    else if (m_hoveredRow == row)
        m_hoveredRow = nullptr;
    for (ListRow* r : m_list->rowViews())
        r->setHovered(r == m_hoveredRow);
}

void PopoverViewController::focusNeighbourRow(ListRow* row, int step) {
    m_list->focusNeighbour(row, step);
}

void PopoverViewController::openEditor(const Entry& entry, QWidget* anchor) {
    if (!window()->isVisible())
        return;
    // Taken first: closing the previous card rebuilds the rows.
    std::optional<QRect> anchorScreen;
    if (anchor && anchor->isVisible())
        anchorScreen = QRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    // A rename still waiting for quiet is the entry's name the card shows.
    flushPendingRename();
    closeEditor();
    if (!m_card->open(entry.id, anchorScreen))
        return;
    // The card follows the panel when it moves or resizes.
    window()->installEventFilter(this);
}

void PopoverViewController::closeEditor() {
    if (!m_card->close())
        return;
    reload();
    // The keys come back to the panel, so the next Escape reaches it.
    window()->activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void PopoverViewController::positionDetails(const std::optional<QRect>& anchorScreen) {
    m_card->position(anchorScreen);
}

std::optional<QRect> PopoverViewController::screenRect(const QString& entryId) const {
    for (ListRow* row : m_list->rowViews()) {
        if (!row->entryIds().contains(entryId))
            continue;
        QWidget* view = row->widget();
        return QRect(view->mapToGlobal(QPoint(0, 0)), view->size());
    }
    return std::nullopt;
}

void PopoverViewController::listScrolled() {
    m_card->followRow();
}

void PopoverViewController::mainWindowFrameChanged() {
    m_card->followRow();
}

// --- Surfaces ------------------------------------------------------------------

void PopoverViewController::showTimeEditor() {
    m_timeEditor->show();
}

void PopoverViewController::dismissTimeEditor(const QPoint& globalPos) {
    m_timeEditor->dismissIfOutside(globalPos);
}

bool PopoverViewController::handleEscape() {
    // A duration half typed into the time box is dropped, not applied.
    if (m_composer->timeBox()->cancelEditing()) {
        setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (m_overlays->closeTop())
        return true;
    if (m_card->isOpen()) {
        closeEditor();
        return true;
    }
    return false;
}

bool PopoverViewController::hasOverlay() const {
    return m_overlays->anyOpen();
}

void PopoverViewController::dismissTransient() {
    m_composer->timeBox()->cancelEditing();
    flushPendingRename();
    m_card->close();
    m_timeEditor->close();
    m_overlays->closeAll();
}

void PopoverViewController::clearTransientState() {
    m_composer->timeBox()->cancelEditing();
    // A rename waiting for quiet is applied rather than lost with the panel.
    flushPendingRename();
    m_card->forget();
    m_timeEditor->forget();
    m_overlays->forgetAll();
}

void PopoverViewController::openSettings() {
    m_overlays->openSettings();
}

void PopoverViewController::setupClosed(SetupOverlayView* overlay) {
    m_overlays->setupClosed(overlay);
    reload();
}

void PopoverViewController::openUsers() {
    showUsersManager();
}

void PopoverViewController::openReports() {
    if (m_onOpenReports)
        m_onOpenReports();
}

void PopoverViewController::tapSync() {
    m_model->syncNow();
}

void PopoverViewController::showClientsManager() {
    m_overlays->showClientsManager();
}

void PopoverViewController::showUsersManager() {
    m_overlays->showUsersManager();
}

void PopoverViewController::promptNewClient(std::function<void(const Client&)> onCreated) {
    m_overlays->promptNewClient(std::move(onCreated));
}

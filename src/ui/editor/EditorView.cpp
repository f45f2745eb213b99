#include "ui/editor/EditorView.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Colors.h"
#include "model/Text.h"
#include "model/Theme.h"
#include "model/Time.h"
#include "ui/panel/ClientMenu.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/panel/TypedDuration.h"
#include "ui/shots/ShotStripView.h"
#include "ui/widgets/ChipView.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/PickerTyping.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimeEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* roundedField(const QFont& font, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setFont(font);
    field->setMinimumHeight(26);
    return field;
}

QTimeEdit* clockPicker(QWidget* parent) {
    auto* picker = new QTimeEdit(parent);
    picker->setDisplayFormat(u"HH:mm"_s);
    picker->setFont(Style::font(13));
    // Every keystroke shows its outcome; nothing is stored before Save.
    picker->setKeyboardTracking(true);
    PickerTyping::install(picker);
    return picker;
}

} // namespace

EditorView::EditorView(const Entry& entry, AppModel* model, PopoverViewController* controller,
                       QWidget* parent, const QTimeZone& zone)
    : QWidget(parent)
    , m_entry(entry)
    , m_model(model)
    , m_controller(controller)
    , m_zone(zone)
    , m_selectedClientId(entry.clientId) {
    build();
}

Entry EditorView::currentEntry() const {
    return m_controller ? storedEntry().value_or(m_entry) : m_entry;
}

std::optional<Entry> EditorView::storedEntry() const {
    return m_model->entry(m_entry.id);
}

void EditorView::follow(const Entry& stored) {
    if (stored == m_entry)
        return;
    if (m_descField->text() == m_entry.description && stored.description != m_entry.description)
        m_descField->setText(stored.description);
    if (m_selectedClientId == m_entry.clientId)
        m_selectedClientId = stored.clientId;

    const QDateTime now = Clock::now();
    const EntryTimes::Pickers fresh = EntryTimes::pickersFor(stored, now, m_zone);
    EntryTimes::Pickers shown = pickers();
    if (shown.day == m_opened.day)
        shown.day = fresh.day;
    if (shown.start == m_opened.start)
        shown.start = fresh.start;
    if (shown.end == m_opened.end)
        shown.end = fresh.end;
    const bool screenshotsChanged = stored.screenshots != m_entry.screenshots;
    m_entry = stored;
    m_opened = fresh;
    m_openedDuration = Time::hms(stored.duration(now));
    setPickers(shown);
    m_endPicker->setEnabled(!isRunning());
    m_runningLabel->setVisible(isRunning());
    configureChip();
    if (!m_durationTyped && !m_forceEnd)
        showPickedDuration();
    if (screenshotsChanged)
        refreshScreenshot();
    showOutcome();
}

void EditorView::build() {
    setFixedWidth(editorWidth);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(12, 12, 12, 12);
    stack->setSpacing(11);

    // 1. Header.
    auto* header = new QHBoxLayout;
    header->setSpacing(0);
    header->addWidget(new TextLabel(u"DETAILS"_s, Style::font(10.5, Style::Weight::Semibold),
                                    Style::Tone::Secondary, this),
                      1);
    auto* close = symbolButton(u"xmark"_s, u"Close"_s, this);
    close->setObjectName(u"close"_s);
    connect(close, &SymbolButton::clicked, this, &EditorView::dismiss);
    header->addWidget(close);
    stack->addLayout(header);

    // 2. Description.
    m_descField = roundedField(Style::font(13), this);
    m_descField->setText(m_entry.description);
    m_descField->setPlaceholderText(u"Add description"_s);
    m_descField->setAccessibleName(u"Description"_s);
    stack->addWidget(m_descField);

    // 3. Client.
    m_chip = new ChipView(this);
    QPointer<EditorView> self(this);
    m_chip->onClick = [self] {
        if (self)
            self->showClientMenu();
    };
    configureChip();
    auto* clientRow = new QHBoxLayout;
    clientRow->addWidget(m_chip);
    clientRow->addStretch(1);
    stack->addLayout(clientRow);

    // 4. Screenshots.
    m_shots = new ShotStripView(m_model->store(), this);
    m_shots->onHeightChanged = [self] {
        if (self && self->onHeightChanged)
            self->onHeightChanged();
    };
    stack->addWidget(m_shots);
    refreshScreenshot();

    // 5. Duration.
    auto* duration = new QVBoxLayout;
    duration->setSpacing(5);
    auto* durationTitle = new QHBoxLayout;
    durationTitle->addWidget(new TextLabel(u"DURATION"_s, Style::font(9.5, Style::Weight::Semibold),
                                           Style::Tone::Secondary, this),
                             1);
    m_futureMark = new TextLabel(u"ends in the future"_s, Style::font(9.5, Style::Weight::Semibold),
                                 Style::Tone::Secondary, this);
    m_futureMark->setColor(Theme::stop());
    m_futureMark->setElide(false);
    m_futureMark->hide();
    durationTitle->addWidget(m_futureMark);
    duration->addLayout(durationTitle);
    m_durationField = roundedField(Style::monoDigits(13, Style::Weight::Medium), this);
    m_openedDuration = Time::hms(m_entry.duration(Clock::now()));
    m_durationField->setText(m_openedDuration);
    m_durationField->setAccessibleName(u"Duration"_s);
    // Return and leaving the field both apply what was typed.
    connect(m_durationField, &QLineEdit::editingFinished, this, &EditorView::applyDuration);
    connect(m_durationField, &QLineEdit::textEdited, this, [this] {
        m_durationTyped = true;
        showOutcome();
    });
    duration->addWidget(m_durationField);
    stack->addLayout(duration);

    // 6. Start and end clock times.
    m_startPicker = clockPicker(this);
    m_endPicker = clockPicker(this);
    m_startPicker->setAccessibleName(u"Start"_s);
    m_endPicker->setAccessibleName(u"End"_s);
    m_endPicker->setEnabled(!isRunning());
    auto* times = new QHBoxLayout;
    times->setSpacing(8);
    times->addWidget(m_startPicker);
    times->addWidget(new TextLabel(u"\u2192"_s, Style::font(13), Style::Tone::Secondary, this));
    times->addWidget(m_endPicker);
    m_dayMark = new TextLabel(QString(), Style::font(11.5), Style::Tone::Secondary, this);
    m_dayMark->setElide(false);
    m_dayMark->hide();
    times->addWidget(m_dayMark);
    m_runningLabel = new TextLabel(u"running"_s, Style::font(11.5), Style::Tone::Secondary, this);
    m_runningLabel->setVisible(isRunning());
    times->addWidget(m_runningLabel);
    times->addStretch(1);
    stack->addLayout(times);

    // 7. Day.
    m_datePicker = new QDateEdit(this);
    m_datePicker->setDisplayFormat(u"yyyy-MM-dd"_s);
    m_datePicker->setAccessibleName(u"Day"_s);
    m_datePicker->setFont(Style::font(13));
    m_datePicker->setKeyboardTracking(true);
    PickerTyping::install(m_datePicker);
    auto* dayRow = new QHBoxLayout;
    dayRow->addWidget(m_datePicker);
    dayRow->addStretch(1);
    stack->addLayout(dayRow);

    m_opened = EntryTimes::pickersFor(m_entry, Clock::now(), m_zone);
    setPickers(m_opened);
    showOutcome();
    for (QTimeEdit* picker : {m_startPicker, m_endPicker})
        connect(picker, &QTimeEdit::timeChanged, this, &EditorView::timesChanged);
    connect(m_datePicker, &QDateEdit::dateChanged, this, &EditorView::timesChanged);

    // 8. Room above the buttons.
    stack->addSpacing(8);

    // 9. Delete and Save.
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    m_delete = new TextButton(u"Delete"_s, Style::font(13, Style::Weight::Medium), this);
    m_delete->setForeground(TextButton::ColorFn([] { return Theme::stop(); }));
    connect(m_delete, &TextButton::clicked, this, &EditorView::deleteEntry);
    m_save = capsuleButton(u"Save"_s, Theme::accent(), Theme::onAccent(), this);
    connect(m_save, &TextButton::clicked, this, &EditorView::save);
    bottom->addWidget(m_delete, 0, Qt::AlignVCenter);
    bottom->addStretch(1);
    bottom->addWidget(m_save, 0, Qt::AlignVCenter);
    stack->addLayout(bottom);
}

void EditorView::configureChip() {
    const std::optional<Client> client =
        m_controller ? m_model->client(m_selectedClientId) : std::nullopt;
    if (client)
        m_chip->configure(client->name, colorFromHex(client->color).value_or(Theme::accentDeep()));
    else
        m_chip->configure(ClientMenu::noClient, Style::tertiaryLabel());
}

EntryTimes::Pickers EditorView::pickers() const {
    return EntryTimes::Pickers{m_datePicker->date(), EntryTimes::minutes(m_startPicker->time()),
                               EntryTimes::minutes(m_endPicker->time())};
}

void EditorView::setPickers(const EntryTimes::Pickers& values) {
    const QSignalBlocker a(m_startPicker), b(m_endPicker), c(m_datePicker);
    m_datePicker->setDate(values.day);
    m_startPicker->setTime(values.start);
    m_endPicker->setTime(values.end);
}

void EditorView::refreshScreenshot() {
    m_shownShots = currentEntry().screenshots.value_or(QList<Screenshot>());
    const QString base = Text::serverBase(m_model->store().db().settings.server);
    QList<Shot> items;
    QPointer<EditorView> self(this);
    for (const Screenshot& stored : std::as_const(m_shownShots)) {
        Shot shot = Shot::stored(stored.file, stored.server, base);
        shot.onRemove = [self, stored] {
            // Removing refills the strip, which replaces this callback: copies only.
            const QPointer<EditorView> editor = self;
            const Screenshot picture = stored;
            if (editor)
                editor->removeShot(picture);
        };
        items.append(shot);
    }
    m_shots->setShots(items);
    m_shots->rebuild();
}

void EditorView::removeShot(const Screenshot& shot) {
    // By the picture itself: the strip may be older than the stored list.
    const std::optional<Entry> stored = storedEntry();
    const qsizetype index =
        stored ? stored->screenshots.value_or(QList<Screenshot>()).indexOf(shot) : qsizetype(-1);
    QPointer<EditorView> self(this);
    if (index >= 0) {
        m_model->removeScreenshot(*stored, int(index));
        m_model->syncNow();
    }
    if (self)
        refreshScreenshot();
}

// --- Times -----------------------------------------------------------------

void EditorView::showPickedDuration() {
    const EntryTimes::Pickers now = pickers();
    const QDateTime start = EntryTimes::start(m_entry, m_opened, now, m_zone);
    const QDateTime end = isRunning() && !m_forceEnd
                              ? Clock::now()
                              : EntryTimes::end(m_entry, m_opened, now, start, m_zone);
    m_durationField->setText(Time::hms(double(start.msecsTo(end)) / 1000.0));
}

void EditorView::timesChanged() {
    if (!m_durationField->hasFocus())
        showPickedDuration();
    showOutcome();
}

void EditorView::applyDuration() {
    if (!m_durationTyped)
        return; // nothing was typed: the stored end stays as it is
    m_durationTyped = false;
    const std::optional<double> d = TypedDuration::seconds(m_durationField->text());
    if (!d || *d >= 1e11) {
        showPickedDuration();
        showOutcome();
        return;
    }
    m_forceEnd = true;
    const EntryTimes::Pickers now = pickers();
    const QDateTime start = EntryTimes::start(m_entry, m_opened, now, m_zone);
    const QDateTime end = start.addMSecs(qint64(*d * 1000.0)).toTimeZone(m_zone);
    {
        const QSignalBlocker block(m_endPicker);
        m_endPicker->setTime(EntryTimes::minutes(end.time()));
    }
    m_durationField->setText(Time::hms(*d));
    showOutcome();
}

EntryTimes::Edit EditorView::edit() const {
    const QString duration = m_durationField->text();
    // A readable duration being typed counts as applied: Save will apply it.
    const bool typed = m_durationTyped && TypedDuration::seconds(duration).value_or(1e11) < 1e11;
    return EntryTimes::Edit{m_entry,          m_opened, pickers(),
                            m_openedDuration, duration, m_forceEnd || typed};
}

void EditorView::showOutcome() {
    const EntryTimes::Edit now = edit();
    const bool running = isRunning() && !now.forceEnd;
    const EntryTimes::Outcome outcome = EntryTimes::outcome(now, Clock::now(), m_zone);
    const QString mark = running ? QString() : EntryTimes::dayMark(outcome.laterDays);
    m_dayMark->setText(mark);
    m_dayMark->setVisible(!mark.isEmpty());
    m_futureMark->setVisible(!running && outcome.endsInFuture);
}

QString EditorView::dayMark() const {
    return m_dayMark->isVisibleTo(this) ? m_dayMark->text() : QString();
}

bool EditorView::marksFuture() const {
    return m_futureMark->isVisibleTo(this);
}

void EditorView::commitTyped() {
    for (QAbstractSpinBox* picker :
         std::initializer_list<QAbstractSpinBox*>{m_startPicker, m_endPicker, m_datePicker})
        picker->interpretText();
    applyDuration();
}

// --- Saving ------------------------------------------------------------------

void EditorView::save() {
    if (!m_controller)
        return;
    commitTyped();
    QPointer<PopoverViewController> controller = m_controller;
    const std::optional<Entry> stored = storedEntry();
    if (!stored) {
        // Deleted meanwhile, here or by a sync: nothing to save onto.
        controller->closeEditor();
        return;
    }
    follow(*stored);

    // Everything is read before the first change: each change reloads the
    // panel, which brings this card the stored entry again.
    AppModel* model = m_model;
    const QString id = m_entry.id;
    const QString description = m_descField->text();
    const bool renamed = description.trimmed() != m_entry.description;
    const std::optional<QString> clientId = m_selectedClientId;
    const bool reassigned = clientId != m_entry.clientId;
    const EntryTimes::Edit times = edit();
    std::optional<EntryTimes::Saved> saved;
    if (EntryTimes::touched(times))
        saved = EntryTimes::save(times, m_zone);

    const auto latest = [model, &id, &stored] { return model->entry(id).value_or(*stored); };
    if (reassigned)
        model->updateClient(latest(), clientId);
    if (renamed)
        model->updateDescription(latest(), description);
    if (saved) {
        const Entry now = latest();
        // An end the entry gained elsewhere is never taken away: one entry runs.
        model->updateTimes(now, saved->startedAt, EntryTimes::keptEnd(*saved, now.endedAt));
    }
    // Like every other change made in the panel, a correction is sent at once.
    if (reassigned || renamed || saved)
        model->syncNow();
    if (controller)
        controller->closeEditor();
}

void EditorView::deleteEntry() {
    if (!m_controller)
        return;
    QPointer<PopoverViewController> controller = m_controller;
    if (const std::optional<Entry> stored = storedEntry()) {
        m_model->deleteEntry(*stored);
        m_model->syncNow();
    }
    if (controller)
        controller->closeEditor();
}

void EditorView::dismiss() {
    if (m_controller)
        m_controller->closeEditor();
}

// --- Client ------------------------------------------------------------------

void EditorView::pickClient(const std::optional<QString>& clientId) {
    m_selectedClientId = clientId;
    configureChip();
}

QMenu* EditorView::showClientMenu() {
    QPointer<EditorView> self(this);
    QMenu* menu = ClientMenu::build(
        m_model->clients(), m_selectedClientId,
        [self](const std::optional<QString>& id) {
            if (self)
                self->pickClient(id);
        },
        [self] {
            if (self && self->m_controller)
                self->m_controller->showClientsManager();
        },
        this);
    menu->popup(m_chip->mapToGlobal(QPoint(0, m_chip->height() + 6)));
    return menu;
}

void EditorView::keyPressEvent(QKeyEvent* event) {
    // Return saves, from any field of the editor.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        save();
        return;
    }
    QWidget::keyPressEvent(event);
}

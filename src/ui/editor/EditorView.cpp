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
    picker->setKeyboardTracking(false);
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
    , m_isRunning(!entry.endedAt.has_value())
    , m_selectedClientId(entry.clientId) {
    build();
}

Entry EditorView::currentEntry() const {
    if (!m_controller)
        return m_entry;
    for (const Entry& e : std::as_const(m_model->store().db().entries)) {
        if (e.id == m_entry.id)
            return e;
    }
    return m_entry;
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
    duration->addWidget(new TextLabel(u"DURATION"_s, Style::font(9.5, Style::Weight::Semibold),
                                      Style::Tone::Secondary, this));
    m_durationField = roundedField(Style::monoDigits(13, Style::Weight::Medium), this);
    m_openedDuration = Time::hms(m_entry.duration(Clock::now()));
    m_durationField->setText(m_openedDuration);
    // Return and leaving the field both apply what was typed.
    connect(m_durationField, &QLineEdit::editingFinished, this, &EditorView::applyDuration);
    duration->addWidget(m_durationField);
    stack->addLayout(duration);

    // 6. Start and end clock times.
    m_startPicker = clockPicker(this);
    m_endPicker = clockPicker(this);
    m_endPicker->setEnabled(!m_isRunning);
    auto* times = new QHBoxLayout;
    times->setSpacing(8);
    times->addWidget(m_startPicker);
    times->addWidget(new TextLabel(u"\u2192"_s, Style::font(13), Style::Tone::Secondary, this));
    times->addWidget(m_endPicker);
    if (m_isRunning)
        times->addWidget(
            new TextLabel(u"running"_s, Style::font(11.5), Style::Tone::Secondary, this));
    times->addStretch(1);
    stack->addLayout(times);

    // 7. Day.
    m_datePicker = new QDateEdit(this);
    m_datePicker->setDisplayFormat(u"yyyy-MM-dd"_s);
    m_datePicker->setFont(Style::font(13));
    m_datePicker->setKeyboardTracking(false);
    auto* dayRow = new QHBoxLayout;
    dayRow->addWidget(m_datePicker);
    dayRow->addStretch(1);
    stack->addLayout(dayRow);

    m_opened = EntryTimes::pickersFor(m_entry, Clock::now(), m_zone);
    setPickers(m_opened);
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
    const Entry current = currentEntry();
    const QString base = Text::serverBase(m_model->store().db().settings.server);
    const QList<Screenshot> list = current.screenshots.value_or(QList<Screenshot>());
    QList<Shot> items;
    QPointer<EditorView> self(this);
    for (int i = 0; i < list.size(); ++i) {
        Shot shot = Shot::stored(list[i].file, list[i].server, base);
        shot.onRemove = [self, i] {
            // Refilling the strip replaces this callback: copies only.
            const QPointer<EditorView> editor = self;
            const int index = i;
            if (!editor)
                return;
            editor->m_model->removeScreenshot(editor->currentEntry(), index);
            editor->m_model->syncNow();
            if (editor)
                editor->refreshScreenshot();
        };
        items.append(shot);
    }
    m_shots->setShots(items);
    m_shots->rebuild();
}

// --- Times -----------------------------------------------------------------

void EditorView::timesChanged() {
    const EntryTimes::Pickers now = pickers();
    const QDateTime start = EntryTimes::start(m_entry, m_opened, now, m_zone);
    const QDateTime end =
        m_isRunning ? Clock::now() : EntryTimes::end(m_entry, m_opened, now, start, m_zone);
    m_durationField->setText(Time::hms(double(start.msecsTo(end)) / 1000.0));
}

void EditorView::applyDuration() {
    const EntryTimes::Pickers now = pickers();
    const QDateTime start = EntryTimes::start(m_entry, m_opened, now, m_zone);
    const std::optional<double> d = TypedDuration::seconds(m_durationField->text());
    if (!d || *d >= 1e11) {
        const QDateTime end = m_isRunning && !m_forceEnd
                                  ? Clock::now()
                                  : EntryTimes::end(m_entry, m_opened, now, start, m_zone);
        m_durationField->setText(Time::hms(double(start.msecsTo(end)) / 1000.0));
        return;
    }
    if (m_durationField->text() == m_openedDuration && !m_forceEnd)
        return; // nothing was typed: the stored end stays as it is
    m_forceEnd = true;
    const QDateTime end = start.addMSecs(qint64(*d * 1000.0)).toTimeZone(m_zone);
    {
        const QSignalBlocker block(m_endPicker);
        m_endPicker->setTime(EntryTimes::minutes(end.time()));
    }
    m_durationField->setText(Time::hms(*d));
}

// --- Saving ------------------------------------------------------------------

void EditorView::save() {
    if (!m_controller)
        return;
    // Each change goes onto the stored entry as the previous one left it, so
    // none undoes another, nor a picture pasted while the card was open.
    m_model->updateClient(currentEntry(), m_selectedClientId);
    m_model->updateDescription(currentEntry(), m_descField->text());
    const EntryTimes::Saved times =
        EntryTimes::save(EntryTimes::Edit{m_entry, m_opened, pickers(), m_openedDuration,
                                          m_durationField->text(), m_forceEnd},
                         m_zone);
    m_model->updateTimes(currentEntry(), times.startedAt, times.endedAt);
    // Like every other change made in the panel, a correction is sent at once.
    m_model->syncNow();
    if (m_controller)
        m_controller->closeEditor();
}

void EditorView::deleteEntry() {
    if (!m_controller)
        return;
    m_model->deleteEntry(currentEntry());
    m_model->syncNow();
    if (m_controller)
        m_controller->closeEditor();
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

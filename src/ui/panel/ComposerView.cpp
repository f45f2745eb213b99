#include "ui/panel/ComposerView.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Colors.h"
#include "model/Text.h"
#include "model/Theme.h"
#include "model/Time.h"
#include "ui/panel/EntryListBuilder.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/panel/TimeBox.h"
#include "ui/shots/ShotStripView.h"
#include "ui/shots/ShotTile.h"
#include "ui/widgets/ChipView.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ComposerView::ComposerView(AppModel* model, PopoverViewController* controller, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_controller(controller)
    , m_field(new QLineEdit(this))
    , m_timeBox(new TimeBox(this))
    , m_chip(new ChipView(this))
    , m_shots(new ShotStripView(model->store(), this))
    , m_startStop(new SymbolButton(u"play.fill"_s, 15, this))
    , m_trash(symbolButton(u"trash"_s, u"Delete this entry"_s, this)) {
    cardBackground(this, 16);

    m_field->setFrame(false);
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_field->setStyleSheet(u"QLineEdit { background: transparent; border: none; padding: 0px; }"_s);
    m_field->setFont(Style::font(13, Style::Weight::Medium));
    m_field->setPlaceholderText(u"What are you working on?"_s);
    m_field->setAccessibleName(u"What are you working on?"_s);
    m_field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_controller)
            m_controller->descriptionEdited(text);
    });
    connect(m_field, &QLineEdit::editingFinished, this, [this] {
        if (m_controller)
            m_controller->hideSuggestions();
    });

    QPointer<ComposerView> self(this);
    m_timeBox->onBeginEditing = [self] {
        if (self && self->m_controller)
            self->m_controller->showTimeEditor();
    };
    m_timeBox->onCommit = [self](const QString& text) {
        if (self && self->m_controller)
            self->m_controller->applyComposerDuration(text);
    };

    m_startStop->setBezelColor(Theme::accent());
    m_startStop->setTint(Theme::onAccent());
    m_startStop->setToolTip(u"Start / Stop"_s);
    m_startStop->setAccessibleName(u"Start / Stop"_s);
    m_startStop->setFixedSize(34, 34);
    connect(m_startStop, &SymbolButton::clicked, this, &ComposerView::tapStartStop);
    connect(m_trash, &SymbolButton::clicked, this, &ComposerView::tapTrash);

    m_chip->onClick = [self] {
        if (self && self->m_controller)
            self->m_controller->showClientMenu(self->m_chip);
    };

    auto* mainRow = new QHBoxLayout;
    mainRow->setSpacing(8);
    mainRow->addWidget(m_field, 1, Qt::AlignVCenter);
    mainRow->addWidget(m_timeBox, 0, Qt::AlignVCenter);
    mainRow->addWidget(m_startStop, 0, Qt::AlignVCenter);
    mainRow->addWidget(m_trash, 0, Qt::AlignVCenter);

    auto* clientRow = new QHBoxLayout;
    clientRow->setSpacing(8);
    clientRow->addWidget(m_chip, 0, Qt::AlignVCenter);
    clientRow->addStretch(1);

    m_shots->hide();

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(13, 13, 13, 13);
    stack->setSpacing(10);
    stack->addLayout(mainRow);
    stack->addLayout(clientRow);
    stack->addWidget(m_shots);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Tab in the order people read: the first row, then the chip.
    setTabOrder(m_field, m_timeBox->label());
    setTabOrder(m_timeBox->label(), m_startStop);
    setTabOrder(m_startStop, m_trash);
    setTabOrder(m_trash, m_chip);
}

ComposerView::~ComposerView() {
    // Focus leaving the field while the widgets are torn down must not call
    // back into a half-destroyed composer.
    detach();
}

void ComposerView::detach() {
    m_controller.clear();
    m_field->disconnect(this);
    m_timeBox->onBeginEditing = nullptr;
    m_timeBox->onCommit = nullptr;
    m_chip->onClick = nullptr;
}

bool ComposerView::isEditingDescription() const {
    return m_field->hasFocus();
}

void ComposerView::configure() {
    const std::optional<Entry> running = m_model->running();
    if (running) {
        m_startStop->setSymbol(u"stop.fill"_s);
        m_startStop->setAccessibleName(u"Stop"_s);
        m_startStop->setBezelColor(Theme::stop());
        m_startStop->setTint(QColor(Qt::white));
        m_timeBox->showTime(Time::hms(EntryListBuilder::shownDuration(*running, Clock::now())));
        if (!isEditingDescription() && m_field->text() != running->description)
            m_field->setText(running->description);
        m_shownRunning = running->id;
        m_trash->show();
    } else {
        m_startStop->setSymbol(u"play.fill"_s);
        m_startStop->setAccessibleName(u"Start"_s);
        m_startStop->setBezelColor(Theme::accent());
        m_startStop->setTint(Theme::onAccent());
        m_timeBox->showTime(u"0:00:00"_s);
        // Stopped, here or elsewhere: the next start begins afresh, its text
        // and client alike. A reload while nothing runs keeps what is typed.
        if (m_shownRunning)
            m_field->clear();
        m_shownRunning.reset();
        m_trash->hide();
    }

    std::optional<QString> clientId;
    if (running && running->clientId)
        clientId = running->clientId;
    else if (m_controller)
        clientId = m_controller->pendingClientId();
    if (const std::optional<Client> client = m_model->client(clientId))
        m_chip->configure(client->name, colorFromHex(client->color).value_or(Theme::accentDeep()));
    else
        m_chip->configure(u"No client"_s, Style::tertiaryLabel());

    configureShots();
}

void ComposerView::configureShots() {
    QList<Shot> items;
    const std::optional<Entry> running = m_model->running();
    const QString base = Text::serverBase(m_model->store().db().settings.server);
    QPointer<ComposerView> self(this);
    if (running && running->screenshots) {
        const QList<Screenshot>& list = *running->screenshots;
        for (int i = 0; i < list.size(); ++i) {
            Shot shot = Shot::stored(list[i].file, list[i].server, base);
            shot.onRemove = [self, i] {
                // Removing reconfigures the composer, which replaces this
                // callback: only locals are used from here on.
                const QPointer<ComposerView> composer = self;
                const int index = i;
                if (!composer)
                    return;
                AppModel* model = composer->m_model;
                if (const std::optional<Entry> now = model->running()) {
                    model->removeScreenshot(*now, index);
                    model->syncNow();
                }
            };
            items.append(shot);
        }
    }
    for (const PendingShot& pending : std::as_const(m_model->pendingShots())) {
        Shot shot;
        shot.data = pending.data;
        const QString id = pending.id;
        shot.onRemove = [self, id] {
            const QPointer<ComposerView> composer = self;
            const QString shotId = id;
            if (composer && composer->m_controller)
                composer->m_controller->removePendingShot(shotId);
        };
        items.append(shot);
    }
    m_shots->setShots(items);
    m_shots->rebuild();
    m_shots->setVisible(!items.isEmpty());
    // New tiles join the tab order after the chip, each before its remove button.
    QWidget* previous = m_chip;
    for (ShotTile* tile : m_shots->cells()) {
        setTabOrder(previous, tile);
        setTabOrder(tile, tile->removeButton());
        previous = tile->removeButton();
    }
}

const QList<Shot>& ComposerView::shotItems() const {
    return m_shots->shots();
}

void ComposerView::tapStartStop() {
    if (m_controller)
        m_controller->toggleStartStop(m_field->text());
}

void ComposerView::tapTrash() {
    if (const std::optional<Entry> running = m_model->running())
        m_model->deleteEntry(*running);
}

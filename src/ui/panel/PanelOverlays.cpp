#include "ui/panel/PanelOverlays.h"

#include "model/AppModel.h"
#include "ui/editor/DetailsCardController.h"
#include "ui/editor/DetailsWindow.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/widgets/LayoutHelpers.h"

PanelOverlays::PanelOverlays(AppModel* model, PopoverViewController* panel,
                             DetailsCardController* card)
    : QObject(panel)
    , m_model(model)
    , m_panel(panel)
    , m_card(card) {}

void PanelOverlays::openSettings() {
    if (m_setup)
        return;
    m_setup = new SetupOverlayView(m_model, m_panel, m_panel);
    pin(m_setup, m_panel);
    m_setup->raise();
    m_setup->focusFirstField();
}

void PanelOverlays::setupClosed(SetupOverlayView* overlay) {
    if (m_setup == overlay)
        m_setup.clear();
}

void PanelOverlays::host(AdminOverlay* overlay) {
    pin(overlay, m_card->window() ? m_card->window()->body() : static_cast<QWidget*>(m_panel));
    overlay->raise();
    overlay->show();
    // A short card grows to hold the overlay whole.
    if (m_card->window())
        m_card->refit();
    overlay->takeFocus();
}

void PanelOverlays::closed(AdminOverlay* overlay) {
    overlay->giveBackFocus();
    if (m_card->window())
        m_card->refit();
}

void PanelOverlays::showClientsManager() {
    if (m_clientsManager)
        return;
    auto* overlay = new ClientsOverlayView(m_model);
    QPointer<PanelOverlays> self(this);
    overlay->onDone = [self] {
        if (self)
            self->close(self->m_clientsManager);
    };
    overlay->onNewClient = [self] {
        if (!self)
            return;
        self->promptNewClient([self](const Client&) {
            if (self && self->m_clientsManager) {
                self->m_clientsManager->refreshRows();
                self->m_clientsManager->updateColorUI();
            }
        });
    };
    m_clientsManager = overlay;
    host(overlay);
}

void PanelOverlays::showUsersManager() {
    if (m_usersManager)
        return;
    auto* overlay = new UsersOverlayView(m_model);
    QPointer<PanelOverlays> self(this);
    overlay->onDone = [self] {
        if (self)
            self->close(self->m_usersManager);
    };
    m_usersManager = overlay;
    host(overlay);
}

void PanelOverlays::promptNewClient(std::function<void(const Client&)> onCreated) {
    if (m_newClient)
        return;
    QPointer<PanelOverlays> self(this);
    auto* overlay = new NewClientOverlayView(
        [self, onCreated](const QString& name, const std::optional<QString>& color) {
            if (!self)
                return false;
            const std::optional<Client> client = self->m_model->addClient(name, color);
            if (!client)
                return false;
            self->close(self->m_newClient);
            if (onCreated)
                onCreated(*client);
            else
                self->m_panel->setComposerClient(client->id);
            return true;
        });
    overlay->onCancel = [self] {
        if (self)
            self->close(self->m_newClient);
    };
    m_newClient = overlay;
    host(overlay);
}

void PanelOverlays::askAway(const AwayQuestion& question, AwayOverlayView::OnAnswer onAnswer) {
    if (m_away && m_away->question() == question)
        return;
    close(m_away);
    m_away = new AwayOverlayView(question, std::move(onAnswer));
    host(m_away);
}

void PanelOverlays::closeAway() {
    close(m_away);
}

bool PanelOverlays::closeTop() {
    // Escape keeps the away time, as closing the question does anywhere.
    if (m_away)
        m_away->answer(AwayTracker::Answer::Keep);
    else if (m_newClient)
        close(m_newClient);
    else if (m_clientsManager)
        close(m_clientsManager);
    else if (m_usersManager)
        close(m_usersManager);
    else
        return false;
    return true;
}

void PanelOverlays::closeAll() {
    close(m_setup);
    close(m_newClient);
    close(m_clientsManager);
    close(m_usersManager);
    close(m_away);
}

void PanelOverlays::forgetAll() {
    m_setup.clear();
    m_newClient.clear();
    m_clientsManager.clear();
    m_usersManager.clear();
    m_away.clear();
}

#pragma once

#include "model/Client.h"
#include "ui/admin/ClientsOverlayView.h"
#include "ui/admin/NewClientOverlayView.h"
#include "ui/admin/UsersOverlayView.h"
#include "ui/panel/AwayOverlayView.h"
#include "ui/panel/SetupOverlayView.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <type_traits>

class AppModel;
class DetailsCardController;
class PopoverViewController;

// The overlays that open over the panel (or over the details card while it
// is open), each open at most once: the setup form, the new-client form, the
// clients manager and the people overlay.
class PanelOverlays : public QObject {
    Q_OBJECT
public:
    PanelOverlays(AppModel* model, PopoverViewController* panel, DetailsCardController* card);

    void openSettings();
    // The setup form closed itself.
    void setupClosed(SetupOverlayView* overlay);
    void showClientsManager();
    void showUsersManager();
    // The new-client form; a made client goes to `onCreated`, or without it
    // to the composer.
    void promptNewClient(std::function<void(const Client&)> onCreated = {});

    // The question about away time, over everything else; replaces one
    // already shown.
    void askAway(const AwayQuestion& question, AwayOverlayView::OnAnswer onAnswer);
    void closeAway();

    // Closes the topmost of the new-client, clients and people overlays;
    // true when one was open.
    bool closeTop();
    // Closes every overlay.
    void closeAll();
    // Lets go of every overlay without touching it.
    void forgetAll();

    SetupOverlayView* setup() const { return m_setup; }
    AwayOverlayView* away() const { return m_away; }

    bool anyOpen() const {
        return m_setup || m_newClient || m_clientsManager || m_usersManager || m_away;
    }

private:
    // Pins the overlay over the card while it is open, else over the panel,
    // and gives it the keyboard.
    void host(AdminOverlay* overlay);
    // Hides an overlay, gives the focus back to where it was, deletes the
    // overlay once control returns, and forgets it.
    template <typename T>
    void close(QPointer<T>& overlay) {
        if (!overlay)
            return;
        T* open = overlay;
        overlay.clear();
        open->hide();
        open->deleteLater();
        if constexpr (std::is_base_of_v<AdminOverlay, T>)
            closed(open);
    }
    void closed(AdminOverlay* overlay);

    AppModel* m_model;
    PopoverViewController* m_panel;
    DetailsCardController* m_card;
    QPointer<SetupOverlayView> m_setup;
    QPointer<NewClientOverlayView> m_newClient;
    QPointer<ClientsOverlayView> m_clientsManager;
    QPointer<UsersOverlayView> m_usersManager;
    QPointer<AwayOverlayView> m_away;
};

#pragma once

#include "ui/admin/ClientsOverlayView.h"
#include "ui/admin/NewClientOverlayView.h"
#include "ui/admin/UsersOverlayView.h"
#include "ui/editor/DetailsWindow.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/TimeEditorOverlay.h"
#include "ui/panel/SetupOverlayView.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

// The surfaces the panel hosts over or beside its content, each open at most
// once: the details card (its window and the entry editor in it), the time
// editor, the overlays and the composer's client menu.
class PanelSurfaces {
public:
    QPointer<DetailsWindow> detailsWindow;
    QPointer<EditorView> editor;
    QPointer<TimeEditorOverlay> timeEditor;
    QPointer<SetupOverlayView> setup;
    QPointer<NewClientOverlayView> newClient;
    QPointer<ClientsOverlayView> clientsManager;
    QPointer<UsersOverlayView> usersManager;
    QPointer<QMenu> clientMenu;

    bool hasCard() const { return detailsWindow || editor; }
    // Hides the card's window, deletes it once control returns, and lets go
    // of the card.
    void dropCard();
    // Closes the topmost of the new-client, clients and people overlays;
    // true when one was open.
    bool closeTopOverlay();
    // Closes every surface but the client menu, which closes itself.
    void closeAll();
    // Lets go of every surface without touching it.
    void forgetAll();

    // Hides a surface, deletes it once control returns, and forgets it.
    template <typename T>
    static void close(QPointer<T>& surface) {
        if (surface) {
            surface->hide();
            surface->deleteLater();
        }
        surface.clear();
    }
};

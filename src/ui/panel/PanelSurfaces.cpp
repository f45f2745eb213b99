#include "ui/panel/PanelSurfaces.h"

void PanelSurfaces::dropCard() {
    if (detailsWindow)
        detailsWindow->hide();
    detailsWindow.clear();
    editor.clear();
}

bool PanelSurfaces::closeTopOverlay() {
    for (QPointer<QWidget>* overlay : {&newClient, &clientsManager, &usersManager}) {
        if (*overlay) {
            close(*overlay);
            return true;
        }
    }
    return false;
}

void PanelSurfaces::closeAll() {
    dropCard();
    close(timeEditor);
    close(setup);
    close(newClient);
    close(clientsManager);
    close(usersManager);
}

void PanelSurfaces::forgetAll() {
    editor.clear();
    detailsWindow.clear();
    timeEditor.clear();
    setup.clear();
    newClient.clear();
    clientsManager.clear();
    usersManager.clear();
}

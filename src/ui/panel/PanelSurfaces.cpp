#include "ui/panel/PanelSurfaces.h"

void PanelSurfaces::dropCard() {
    close(detailsWindow);
    editor.clear();
}

bool PanelSurfaces::closeTopOverlay() {
    if (newClient)
        close(newClient);
    else if (clientsManager)
        close(clientsManager);
    else if (usersManager)
        close(usersManager);
    else
        return false;
    return true;
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

#include "app/PanelSwitches.h"

#include "app/RunLoop.h"
#include "model/AppModel.h"
#include "ui/panel/PopoverViewController.h"

#include <algorithm>

using namespace Qt::StringLiterals;

void PanelSwitches::startFakeEntry(AppModel& model) {
    const QList<Client> clients = model.clients();
    model.start(u"Reviewing the panel layout"_s,
                clients.isEmpty() ? std::nullopt : std::optional<QString>(clients.first().id));
}

void PanelSwitches::apply(AppModel& model, PopoverViewController& controller,
                          const QString& suggestionText) {
    if (qEnvironmentVariableIsSet("ZEVRA_FAKE_RUNNING")) {
        startFakeEntry(model);
        controller.reload();
    }
    if (qEnvironmentVariableIsSet("ZEVRA_OPEN_EDITOR")) {
        const QList<Entry>& entries = model.store().db().entries;
        const auto first =
            std::find_if(entries.begin(), entries.end(), [](const Entry& e) { return !e.deleted; });
        if (first != entries.end())
            controller.openEditor(*first, nullptr);
    }
    if (qEnvironmentVariableIsSet("ZEVRA_OPEN_TIME_EDITOR"))
        controller.showTimeEditor();
    if (qEnvironmentVariableIsSet("ZEVRA_SHOW_SUGGESTIONS"))
        controller.showSuggestions(suggestionText);
}

void PanelSwitches::openOverlays(PopoverViewController& controller) {
    if (qEnvironmentVariableIsSet("ZEVRA_NEW_CLIENT"))
        controller.promptNewClient();
    if (qEnvironmentVariableIsSet("ZEVRA_CLIENTS_MANAGER"))
        controller.showClientsManager();
    if (qEnvironmentVariableIsSet("ZEVRA_USERS")) {
        controller.showUsersManager();
        RunLoop::spinFor(2.5);
    }
}

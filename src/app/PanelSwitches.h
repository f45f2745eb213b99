#pragma once

#include <QString>

class AppModel;
class PopoverViewController;

// The diagnostic switches that act on a freshly opened panel, shared by the
// tray app and the off-screen layout test.
class PanelSwitches {
public:
    // ZEVRA_FAKE_RUNNING: a running entry with a fixed sample description and
    // the first offered client (none when there is no client).
    static void startFakeEntry(AppModel& model);
    // Applies ZEVRA_FAKE_RUNNING, ZEVRA_OPEN_EDITOR, ZEVRA_OPEN_TIME_EDITOR and
    // ZEVRA_SHOW_SUGGESTIONS (for the given text), in that order.
    static void apply(AppModel& model, PopoverViewController& controller,
                      const QString& suggestionText);
    // The layout test's ZEVRA_NEW_CLIENT, ZEVRA_CLIENTS_MANAGER and ZEVRA_USERS
    // (the people list gets 2.5 s to load).
    static void openOverlays(PopoverViewController& controller);
};

#pragma once

#include <QMenu>

#include <functional>

// The tray icon's right-click menu: open, sync, import, check for updates,
// start at login, quit.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> open;
        std::function<void()> sync;
        std::function<void()> import;
        std::function<void()> checkForUpdates;
        // "Start at login": whether it is on, and turning it on or off.
        std::function<bool()> startsAtLogin;
        std::function<void(bool)> setStartAtLogin;
        std::function<void()> quit;
    };

    explicit TrayMenu(const Actions& actions, QWidget* parent = nullptr);
};

#pragma once

#include <QMenu>

#include <functional>

// The tray icon's right-click menu: open, sync, check for updates, quit.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> open;
        std::function<void()> sync;
        std::function<void()> checkForUpdates;
        std::function<void()> quit;
    };

    explicit TrayMenu(const Actions& actions, QWidget* parent = nullptr);
};

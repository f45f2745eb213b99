#include "app/TrayMenu.h"

#include <QKeySequence>

TrayMenu::TrayMenu(const Actions& actions, QWidget* parent)
    : QMenu(parent) {
    connect(addAction(QStringLiteral("Open Zevra Tikit")), &QAction::triggered, this,
            [f = actions.open] {
                if (f)
                    f();
            });
    connect(addAction(QStringLiteral("Sync now")), &QAction::triggered, this, [f = actions.sync] {
        if (f)
            f();
    });
    connect(addAction(QStringLiteral("Import\u2026")), &QAction::triggered, this,
            [f = actions.import] {
                if (f)
                    f();
            });
    connect(addAction(QStringLiteral("Check for updates\u2026")), &QAction::triggered, this,
            [f = actions.checkForUpdates] {
                if (f)
                    f();
            });
    QAction* login = addAction(QStringLiteral("Start at login"));
    login->setCheckable(true);
    // The file may change behind the app's back: read it each time.
    connect(this, &QMenu::aboutToShow, this,
            [login, f = actions.startsAtLogin] { login->setChecked(f && f()); });
    connect(login, &QAction::triggered, this, [f = actions.setStartAtLogin](bool checked) {
        if (f)
            f(checked);
    });
    addSeparator();
    QAction* quit = addAction(QStringLiteral("Quit Zevra Tikit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutVisibleInContextMenu(true);
    connect(quit, &QAction::triggered, this, [f = actions.quit] {
        if (f)
            f();
    });
}

#pragma once

#include "app/CommandRunner.h"
#include "app/PopoverPanel.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/update/UpdateDialogs.h"
#include "update/UpdateChecker.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

class AppModel;
class AwayWatch;
class ReminderWatch;
class PanelEventFilter;
class ReportWindowController;
class TrayMenu;

// The tray application: the tray icon with its menu, the floating panel and
// its controller, the timers (live time every second, a sync every minute,
// update checks) and the event handling while the panel is open.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(std::unique_ptr<AppModel> model, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The normal start: the application object, the model on the user's data
    // folder, the delegate, the event loop. Gives the exit status.
    static int exec(int& argc, char** argv);

    // The start sequence: tray icon, change wiring, first sync, timers.
    void applicationDidFinishLaunching();

    void refreshStatusItem();
    // One step of the one-second ticker: the running time in the tray and the
    // panel's live figures.
    void tick();
    void showPanel();
    void hidePanel();
    bool isPanelVisible() const;

    // A command of another start or of the command line (see SingleInstance).
    void carryOut(const Command& command, CommandRunner::Done done);

    // Menu actions.
    void openFromMenu();
    void syncFromMenu();
    // Asks for a file of another tracker and adds its entries.
    void importFromMenu();
    void checkForUpdatesFromMenu();
    // Closes the panel and opens the report window, or brings it forward.
    void openReportWindow();

    AppModel& model() { return *m_model; }
    PopoverViewController* controller() const { return m_controller; }
    PopoverPanel* panel() const { return m_panel; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    TrayMenu* trayMenu() const { return m_menu; }
    QSize panelSize() const { return m_size; }

    // Event routing while the panel is shown (see PanelEventFilter).
    bool handleEscape();
    bool handlePaste();
    void handleMouseDown(const QWidget* window, const QPoint& globalPos);
    bool pointOnStatusItem() const;
    // Whether keys typed in this window are the panel's (panel or details card).
    bool ownsKeyboard(const QWidget* window) const;

private:
    void statusItemActivated(QSystemTrayIcon::ActivationReason reason);
    void togglePanel();
    void checkForUpdates(bool announceUpToDate);
    void warmUpPreview();
    void applicationStateChanged(Qt::ApplicationState state);
    void installMonitors();
    void removeMonitors();
    void placePanel();
    void applyPanelSwitches();
    void showStatus(const std::optional<Entry>& running);
    void setRunningIcon(bool running);

    std::unique_ptr<AppModel> m_model;
    QSystemTrayIcon* m_tray = nullptr;
    TrayMenu* m_menu = nullptr;
    QPointer<PopoverViewController> m_controller;
    QPointer<PopoverPanel> m_panel;
    QPointer<ReportWindowController> m_reportWindow;
    PanelEventFilter* m_monitors = nullptr;
    AwayWatch* m_away = nullptr;
    ReminderWatch* m_reminders = nullptr;
    QTimer m_ticker;
    QTimer m_syncTimer;
    QTimer m_updateTimer;
    UpdateDialogs m_updateDialogs;
    UpdateChecker m_updater{m_updateDialogs};
    QSize m_size;
    std::optional<bool> m_iconRunning;
    // When the panel last hid itself on focus loss, and last toggled.
    std::optional<QDateTime> m_autoHiddenAt;
    std::optional<QDateTime> m_lastToggleAt;
    // The next placement goes under the pointer, not the tray icon.
    bool m_anchorAtPointer = false;
};

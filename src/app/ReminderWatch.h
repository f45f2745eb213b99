#pragma once

#include "idle/DesktopNotification.h"
#include "model/Reminders.h"

#include <QObject>
#include <QPointer>

#include <optional>

class AppModel;
class AwayTracker;
class QSystemTrayIcon;

// The tray app's side of reminders: "You're not tracking time." with Start
// and Open, and the note on a long timer with Stop and Keep, as desktop
// notifications (else the tray icon's message). Their buttons change the
// model as the panel's own do; a notification whose moment has passed (a
// timer started, the long one stopped) is taken away.
class ReminderWatch : public QObject {
    Q_OBJECT
public:
    ReminderWatch(AppModel& model, AwayTracker& away, QSystemTrayIcon* tray,
                  QObject* parent = nullptr);

    // After every change of the model.
    void modelChanged();

Q_SIGNALS:
    // "Open", or a click on a notification: the panel should open.
    void panelWanted();

private:
    void remind();
    void noteLongTimer(const Entry& entry, qint64 seconds);
    void reminderAction(const QString& key);
    void longTimerAction(const QString& key);
    void showInTray(const QString& title, const QString& text);

    AppModel& m_model;
    Reminders m_reminders;
    DesktopNotification m_reminder;
    DesktopNotification m_longTimer;
    QPointer<QSystemTrayIcon> m_tray;
    // The entry the long-timer note on screen is about.
    std::optional<QString> m_longEntry;
};

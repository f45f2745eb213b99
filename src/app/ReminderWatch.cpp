#include "app/ReminderWatch.h"

#include "model/AppModel.h"
#include "model/AwayTracker.h"
#include "ui/panel/EntryListBuilder.h"

#include <QDBusConnection>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {

std::optional<int> secondsFromEnvironment(const char* name) {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue(name, &ok);
    return ok ? std::optional(seconds) : std::nullopt;
}

} // namespace

ReminderWatch::ReminderWatch(AppModel& model, AwayTracker& away, QSystemTrayIcon* tray,
                             QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_reminders(model)
    , m_reminder(QDBusConnection::sessionBus())
    , m_longTimer(QDBusConnection::sessionBus())
    , m_tray(tray) {
    // Test switches: seconds instead of the settings' minutes and hours.
    m_reminders.setRemindOverride(secondsFromEnvironment("ZEVRA_REMIND_AFTER_SECONDS"));
    m_reminders.setLongTimerOverride(secondsFromEnvironment("ZEVRA_LONG_TIMER_SECONDS"));
    m_reminders.setAway(away.isAway());
    connect(&away, &AwayTracker::awayChanged, &m_reminders, &Reminders::setAway);
    connect(&m_reminders, &Reminders::remind, this, &ReminderWatch::remind);
    connect(&m_reminders, &Reminders::longTimer, this, &ReminderWatch::noteLongTimer);
    for (DesktopNotification* n : {&m_reminder, &m_longTimer}) {
        connect(n, &DesktopNotification::clicked, this, &ReminderWatch::panelWanted);
        connect(n, &DesktopNotification::trayMessage, this, &ReminderWatch::showInTray);
    }
    connect(&m_reminder, &DesktopNotification::actionInvoked, this, &ReminderWatch::reminderAction);
    connect(&m_longTimer, &DesktopNotification::actionInvoked, this,
            &ReminderWatch::longTimerAction);
    if (m_tray) {
        connect(m_tray, &QSystemTrayIcon::messageClicked, this, [this] {
            if (m_reminder.isShown() || m_longTimer.isShown())
                Q_EMIT panelWanted();
        });
    }
    m_reminders.start();
}

void ReminderWatch::modelChanged() {
    m_reminders.modelChanged();
    const std::optional<Entry> running = m_model.running();
    if (running && m_reminder.isShown())
        m_reminder.close();
    if (m_longEntry && (!running || running->id != *m_longEntry)) {
        m_longEntry.reset();
        m_longTimer.close();
    }
}

void ReminderWatch::remind() {
    // Shown for the server's usual time: the next one replaces it anyway.
    m_reminder.show({u"Not tracking"_s,
                     u"You're not tracking time."_s,
                     {{u"start"_s, u"Start"_s}, {u"open"_s, u"Open"_s}},
                     QString(),
                     QString(),
                     -1});
}

void ReminderWatch::noteLongTimer(const Entry& entry, qint64 seconds) {
    m_longEntry = entry.id;
    m_longTimer.show({u"A long timer"_s,
                      Reminders::longTimerText(entry, seconds),
                      {{u"stop"_s, u"Stop"_s}, {u"keep"_s, u"Keep"_s}},
                      u" Open Zevra Tikit to stop it."_s,
                      QString(),
                      0});
}

void ReminderWatch::reminderAction(const QString& key) {
    m_reminder.close();
    if (key == u"open"_s) {
        Q_EMIT panelWanted();
        return;
    }
    if (m_model.running())
        return;
    // The entry started last begins again.
    const QList<Entry> latest = EntryListBuilder::listed(m_model.store().db().entries, 1);
    m_model.start(latest.isEmpty() ? QString() : latest[0].description,
                  latest.isEmpty() ? std::nullopt : latest[0].clientId);
    m_model.syncNow();
}

void ReminderWatch::longTimerAction(const QString& key) {
    const std::optional<QString> id = std::exchange(m_longEntry, std::nullopt);
    m_longTimer.close();
    if (key != u"stop"_s || !id)
        return;
    const std::optional<Entry> entry = m_model.entry(*id);
    if (entry && !entry->endedAt) {
        m_model.stop(*entry);
        m_model.syncNow();
    }
}

void ReminderWatch::showInTray(const QString& title, const QString& text) {
    if (m_tray)
        m_tray->showMessage(title, text, QSystemTrayIcon::Information, 0);
}

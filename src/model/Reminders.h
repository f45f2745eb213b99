#pragma once

#include "model/ClockTimer.h"
#include "model/Entry.h"

#include <QDateTime>
#include <QObject>

#include <optional>

class AppModel;

// Reminds the person to track when nothing has run for a while inside working
// hours, and notes an entry that has run past the limit, once per entry.
// Neither while the person is away. Times come from the program's Clock; the
// next check is due exactly when a rule could next hold (and at least every
// minute, for the edges of working hours). Main thread only.
class Reminders : public QObject {
    Q_OBJECT
public:
    explicit Reminders(AppModel& model, QObject* parent = nullptr);

    // Test switches: seconds in place of the settings' minutes and hours.
    // With a reminder override every hour of every day is working time.
    void setRemindOverride(std::optional<int> seconds) { m_remindOverride = seconds; }
    void setLongTimerOverride(std::optional<int> seconds) { m_longTimerOverride = seconds; }

    // The first check, once the signals are connected.
    void start();
    // Idle, asleep or locked. Coming back starts the count again.
    void setAway(bool away);
    // After every change of the model: a start or stop, new settings.
    void modelChanged();

    // "Still working on …? It has run H:MM:SS."
    static QString longTimerText(const Entry& entry, qint64 seconds);

Q_SIGNALS:
    void remind();
    // `entry` has run `seconds`, past the limit.
    void longTimer(const Entry& entry, qint64 seconds);

private:
    void check();
    std::optional<int> remindSeconds() const;
    std::optional<int> longTimerSeconds() const;

    AppModel& m_model;
    ClockTimer m_timer;
    // Nothing has run since, as far as reminders are concerned.
    QDateTime m_quietSince;
    bool m_running = false;
    bool m_away = false;
    bool m_started = false;
    std::optional<int> m_remindOverride;
    std::optional<int> m_longTimerOverride;
};

#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QTime>

class JsonTextWriter;

// When to remind the person to track and when to note a long timer, and the
// working hours reminders keep to. Kept among the settings of the database.
struct ReminderSettings {
    static constexpr int defaultRemindAfterMinutes = 15;
    static constexpr int minRemindAfterMinutes = 5;
    static constexpr int maxRemindAfterMinutes = 120;
    static constexpr int defaultLongTimerHours = 10;
    static constexpr int maxLongTimerHours = 24;
    // Monday to Friday: bit 0 is Monday, bit 6 Sunday.
    static constexpr int defaultWorkingDays = 0x1f;

    // Minutes without a running timer before a reminder; 0: never.
    int remindAfterMinutes = defaultRemindAfterMinutes;
    int workingDays = defaultWorkingDays;
    // Local times. A "to" before "from" runs past midnight; the same time
    // for both is the whole day.
    QTime workingFrom = QTime(9, 0);
    QTime workingTo = QTime(17, 0);
    // Hours a timer runs before it is noted; 0: never.
    int longTimerHours = defaultLongTimerHours;

    bool worksOn(int isoWeekday) const { return (workingDays >> (isoWeekday - 1)) & 1; }
    // Whether `instant` lies inside working hours (in local time).
    bool isWorkingTime(const QDateTime& instant) const;
    // The start of the working stretch `instant` lies in; only meaningful
    // when isWorkingTime(instant).
    QDateTime stretchStart(const QDateTime& instant) const;

    // The same with values out of range brought into it (times in whole
    // minutes, as the file keeps them).
    ReminderSettings bounded() const;

    // Values out of range are brought into it; absent or unreadable keys
    // keep the defaults, so files from before reminders existed read fine.
    static ReminderSettings fromJson(const QJsonObject& settings);
    void addTo(QJsonObject& settings) const;
    // The keys as they sort among the other settings' keys.
    void writeTimerKeys(JsonTextWriter& writer) const;   // long_timer_hours, remind_after_minutes
    void writeWorkingKeys(JsonTextWriter& writer) const; // working_days, working_from, working_to

    bool operator==(const ReminderSettings&) const = default;
};

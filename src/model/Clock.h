#pragma once

#include <QDateTime>

// The one source of "now" for the whole program. Production code asks
// Clock::now(); tests install a ManualClock to set and advance the time.
class Clock {
public:
    virtual ~Clock() = default;

    // The current instant, in UTC.
    virtual QDateTime currentTime() const = 0;

    static QDateTime now() { return current().currentTime(); }
    static Clock& current();
    // Installs a clock; nullptr restores the system clock. Not owned.
    static void install(Clock* clock);
};

class SystemClock final : public Clock {
public:
    QDateTime currentTime() const override { return QDateTime::currentDateTimeUtc(); }
};

#pragma once

#include "model/Clock.h"

#include <QList>

#include <atomic>

class ClockTimer;

// A clock that only moves when told to. Timers made with ClockTimer fire from
// advance() while a ManualClock is installed, so time-based behaviour is tested
// without sleeping.
class ManualClock final : public Clock {
public:
    explicit ManualClock(const QDateTime& start = QDateTime(QDate(2026, 1, 5), QTime(9, 30),
                                                            Qt::UTC));
    ~ManualClock() override;

    // Read from any thread (the server answers on threads of its own).
    QDateTime currentTime() const override {
        return QDateTime::fromMSecsSinceEpoch(m_nowMs.load(), Qt::UTC);
    }

    void setNow(const QDateTime& now);
    // Moves the time forward and fires every timer that falls due, in order.
    void advance(qint64 msecs);
    void advanceSeconds(double seconds) { advance(qint64(seconds * 1000.0)); }

    // Used by ClockTimer.
    void schedule(ClockTimer* timer, qint64 msecs);
    void cancel(ClockTimer* timer);
    bool isScheduled(const ClockTimer* timer) const;

private:
    struct Pending {
        ClockTimer* timer;
        QDateTime due;
    };
    std::atomic<qint64> m_nowMs; // since the epoch
    QList<Pending> m_pending;
};

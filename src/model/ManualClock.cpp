#include "model/ManualClock.h"

#include "model/ClockTimer.h"

ManualClock::ManualClock(const QDateTime& start)
    : m_nowMs(start.toMSecsSinceEpoch()) {}

ManualClock::~ManualClock() {
    if (&Clock::current() == this)
        Clock::install(nullptr);
}

void ManualClock::setNow(const QDateTime& now) {
    m_nowMs = now.toMSecsSinceEpoch();
}

void ManualClock::advance(qint64 msecs) {
    const QDateTime target = currentTime().addMSecs(msecs);
    for (;;) {
        // Earliest due timer that is not later than the target.
        int next = -1;
        for (int i = 0; i < m_pending.size(); ++i) {
            if (m_pending[i].due <= target && (next < 0 || m_pending[i].due < m_pending[next].due))
                next = i;
        }
        if (next < 0)
            break;
        const Pending fired = m_pending.takeAt(next);
        if (fired.due > currentTime())
            m_nowMs = fired.due.toMSecsSinceEpoch();
        fired.timer->fire();
    }
    m_nowMs = target.toMSecsSinceEpoch();
}

void ManualClock::schedule(ClockTimer* timer, qint64 msecs) {
    cancel(timer);
    m_pending.append({timer, currentTime().addMSecs(msecs)});
}

void ManualClock::cancel(ClockTimer* timer) {
    m_pending.removeIf([timer](const Pending& p) { return p.timer == timer; });
}

bool ManualClock::isScheduled(const ClockTimer* timer) const {
    for (const Pending& p : m_pending) {
        if (p.timer == timer)
            return true;
    }
    return false;
}

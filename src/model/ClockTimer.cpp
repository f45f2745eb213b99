#include "model/ClockTimer.h"

#include "model/ManualClock.h"

namespace {
ManualClock* manualClock() {
    return dynamic_cast<ManualClock*>(&Clock::current());
}
} // namespace

ClockTimer::ClockTimer(QObject* parent)
    : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ClockTimer::fire);
}

ClockTimer::~ClockTimer() {
    if (ManualClock* manual = manualClock())
        manual->cancel(this);
}

void ClockTimer::start(int msecs) {
    if (ManualClock* manual = manualClock()) {
        m_timer.stop();
        manual->schedule(this, msecs);
    } else {
        m_timer.start(msecs);
    }
}

void ClockTimer::stop() {
    m_timer.stop();
    if (ManualClock* manual = manualClock())
        manual->cancel(this);
}

bool ClockTimer::isActive() const {
    if (ManualClock* manual = manualClock())
        return manual->isScheduled(this);
    return m_timer.isActive();
}

void ClockTimer::fire() {
    Q_EMIT timeout();
}

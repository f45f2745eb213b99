#include "idle/PolledIdleSource.h"

#include "model/Clock.h"

#include <QPointer>

PolledIdleSource::PolledIdleSource(QObject* parent)
    : IdleSource(parent) {
    connect(&m_timer, &QTimer::timeout, this, &PolledIdleSource::poll);
}

void PolledIdleSource::watch(int msecs) {
    m_threshold = msecs;
    m_timer.start(qBound(250, msecs / 4, 5000));
}

void PolledIdleSource::poll() {
    if (m_asking)
        return;
    m_asking = true;
    QPointer<PolledIdleSource> self(this);
    query([self](std::optional<qint64> idle) {
        if (self)
            self->answered(idle);
    });
}

void PolledIdleSource::answered(std::optional<qint64> idleMsecs) {
    m_asking = false;
    if (!idleMsecs)
        return;
    const qint64 idle = *idleMsecs;
    if (!m_idle && idle >= m_threshold) {
        m_idle = true;
        Q_EMIT idleSince(Clock::now().addMSecs(-idle));
    } else if (m_idle && idle < m_lastIdle) {
        m_idle = false;
        Q_EMIT inputResumed();
    }
    m_lastIdle = idle;
}

#pragma once

#include "idle/IdleSource.h"

#include <QTimer>

#include <functional>
#include <optional>

// A source that can only be asked how long the person has been idle: asks at
// a quarter of the watched time (between 0.25 and 5 s) and turns the answers
// into idle and back events.
class PolledIdleSource : public IdleSource {
    Q_OBJECT
public:
    explicit PolledIdleSource(QObject* parent = nullptr);

    void watch(int msecs) override;

protected:
    using Answer = std::function<void(std::optional<qint64> idleMsecs)>;
    // Asks for the idle time; `answer` runs once, with nothing on failure.
    virtual void query(Answer answer) = 0;

private:
    void poll();
    void answered(std::optional<qint64> idleMsecs);

    QTimer m_timer;
    int m_threshold = 0;
    bool m_asking = false;
    bool m_idle = false;
    qint64 m_lastIdle = 0;
};

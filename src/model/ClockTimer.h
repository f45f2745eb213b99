#pragma once

#include <QObject>
#include <QTimer>

// A restartable one-shot timer measured on the program's Clock: a QTimer under
// the system clock, driven by ManualClock::advance() under a manual clock.
class ClockTimer : public QObject {
    Q_OBJECT
public:
    explicit ClockTimer(QObject* parent = nullptr);
    ~ClockTimer() override;

    void start(int msecs);
    void stop();
    bool isActive() const;

Q_SIGNALS:
    void timeout();

private:
    friend class ManualClock;
    void fire();

    QTimer m_timer;
};

#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM (and SIGHUP) into Qt signals on the main thread (through a
// pipe, the only safe way out of a signal handler). One instance at a time.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);
    void reloadRequested();

private:
    static void handle(int signalNumber);
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

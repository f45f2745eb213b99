#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

// Where the app learns that the person stopped using keyboard and pointer,
// and that they came back. One subclass per desktop interface.
class IdleSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // What the source is, for the line the app prints on start.
    virtual QString name() const = 0;
    // Reports idleSince() once nobody has touched keyboard or pointer for
    // `msecs`, then inputResumed() at the next input. A new call replaces the
    // previous watch.
    virtual void watch(int msecs) = 0;

Q_SIGNALS:
    // The last input was at `lastInput`, at least the watched time ago.
    void idleSince(const QDateTime& lastInput);
    void inputResumed();
};

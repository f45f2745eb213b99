#pragma once

#include <QDBusAbstractInterface>

// logind's manager object on the system bus, for its sleep signal.
class LoginManagerInterface : public QDBusAbstractInterface {
    Q_OBJECT
public:
    LoginManagerInterface(const QDBusConnection& bus, QObject* parent = nullptr);

Q_SIGNALS:
    // True just before the machine sleeps, false once it woke up.
    void PrepareForSleep(bool start);
};

#include "idle/LoginManagerInterface.h"

LoginManagerInterface::LoginManagerInterface(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(QStringLiteral("org.freedesktop.login1"),
                             QStringLiteral("/org/freedesktop/login1"),
                             "org.freedesktop.login1.Manager", bus, parent) {}

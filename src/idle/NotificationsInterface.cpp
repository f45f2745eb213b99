#include "idle/NotificationsInterface.h"

NotificationsInterface::NotificationsInterface(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(QStringLiteral("org.freedesktop.Notifications"),
                             QStringLiteral("/org/freedesktop/Notifications"),
                             "org.freedesktop.Notifications", bus, parent) {}

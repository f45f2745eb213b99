#include "idle/DBusPropertiesInterface.h"

DBusPropertiesInterface::DBusPropertiesInterface(const QString& service, const QString& path,
                                                 const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(service, path, "org.freedesktop.DBus.Properties", bus, parent) {}

#pragma once

#include <QDBusAbstractInterface>
#include <QStringList>
#include <QVariantMap>

// The standard properties interface of one D-Bus object, for its change signal.
class DBusPropertiesInterface : public QDBusAbstractInterface {
    Q_OBJECT
public:
    DBusPropertiesInterface(const QString& service, const QString& path, const QDBusConnection& bus,
                            QObject* parent = nullptr);

Q_SIGNALS:
    void PropertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);
};

#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// One asynchronous call of a D-Bus method that takes nothing and answers an
// idle time in milliseconds; the answer comes back once, nothing on an error.
class DBusIdleQuery {
public:
    DBusIdleQuery(QDBusConnection bus, QString service, QString path, QString interface,
                  QString method);

    // Whether some program owns the service name on the bus.
    bool offered() const;
    void ask(QObject* context, std::function<void(std::optional<qint64>)> answer) const;

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    QString m_interface;
    QString m_method;
};

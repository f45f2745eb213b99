#include "idle/DBusIdleQuery.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

DBusIdleQuery::DBusIdleQuery(QDBusConnection bus, QString service, QString path, QString interface,
                             QString method)
    : m_bus(std::move(bus))
    , m_service(std::move(service))
    , m_path(std::move(path))
    , m_interface(std::move(interface))
    , m_method(std::move(method)) {}

bool DBusIdleQuery::offered() const {
    return m_bus.isConnected() && m_bus.interface() &&
           m_bus.interface()->isServiceRegistered(m_service).value();
}

void DBusIdleQuery::ask(QObject* context, std::function<void(std::optional<qint64>)> answer) const {
    const QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, m_path, m_interface, m_method);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [answer](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         const QDBusMessage reply = done->reply();
                         bool ok = false;
                         const qint64 idle = reply.type() == QDBusMessage::ReplyMessage &&
                                                     !reply.arguments().isEmpty()
                                                 ? reply.arguments().constFirst().toLongLong(&ok)
                                                 : 0;
                         answer(ok ? std::optional(idle) : std::nullopt);
                     });
}

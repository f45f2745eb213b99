#include "idle/LogindWatch.h"

#include "idle/DBusPropertiesInterface.h"
#include "idle/LoginManagerInterface.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::StringLiterals;

namespace {
const QString service = u"org.freedesktop.login1"_s;
}

LogindWatch::LogindWatch(const QDBusConnection& bus, const QString& sessionId, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_manager(std::make_unique<LoginManagerInterface>(bus)) {
    connect(m_manager.get(), &LoginManagerInterface::PrepareForSleep, this, &LogindWatch::sleeping);
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, u"/org/freedesktop/login1"_s,
                                       u"org.freedesktop.login1.Manager"_s, u"GetSession"_s);
    call << (sessionId.isEmpty() ? u"auto"_s : sessionId);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *done;
                if (reply.isValid())
                    watchSession(reply.value().path());
            });
}

LogindWatch::~LogindWatch() = default;

bool LogindWatch::offered() const {
    return m_bus.isConnected() && m_bus.interface() &&
           m_bus.interface()->isServiceRegistered(service).value();
}

void LogindWatch::watchSession(const QString& path) {
    m_session = std::make_unique<DBusPropertiesInterface>(service, path, m_bus);
    connect(m_session.get(), &DBusPropertiesInterface::PropertiesChanged, this,
            [this](const QString&, const QVariantMap& changed, const QStringList&) {
                const auto hint = changed.constFind(u"LockedHint"_s);
                if (hint != changed.constEnd())
                    Q_EMIT locked(hint->toBool());
            });
}

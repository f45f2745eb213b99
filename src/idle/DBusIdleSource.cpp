#include "idle/DBusIdleSource.h"

using namespace Qt::StringLiterals;

DBusIdleSource::DBusIdleSource(const QDBusConnection& bus, const QString& service,
                               const QString& path, const QString& method, const QString& name)
    : m_query(bus, service, path, service, method)
    , m_name(name) {}

std::unique_ptr<DBusIdleSource> DBusIdleSource::mutter(const QDBusConnection& bus) {
    return std::unique_ptr<DBusIdleSource>(new DBusIdleSource(
        bus, u"org.gnome.Mutter.IdleMonitor"_s, u"/org/gnome/Mutter/IdleMonitor/Core"_s,
        u"GetIdletime"_s, u"GNOME (org.gnome.Mutter.IdleMonitor)"_s));
}

std::unique_ptr<DBusIdleSource> DBusIdleSource::screenSaver(const QDBusConnection& bus) {
    return std::unique_ptr<DBusIdleSource>(new DBusIdleSource(
        bus, u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s,
        u"GetSessionIdleTime"_s, u"the screen saver service (org.freedesktop.ScreenSaver)"_s));
}

void DBusIdleSource::query(Answer answer) {
    m_query.ask(this, std::move(answer));
}

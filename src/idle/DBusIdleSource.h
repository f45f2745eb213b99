#pragma once

#include "idle/DBusIdleQuery.h"
#include "idle/PolledIdleSource.h"

#include <QDBusConnection>

#include <memory>

// Idle time asked of a service on the session bus: GNOME's idle monitor
// (org.gnome.Mutter.IdleMonitor, which sees all input under Wayland and X11
// alike), or the freedesktop screen saver interface's GetSessionIdleTime, as
// KDE Plasma and a few others offer it.
class DBusIdleSource : public PolledIdleSource {
    Q_OBJECT
public:
    static std::unique_ptr<DBusIdleSource> mutter(const QDBusConnection& bus);
    static std::unique_ptr<DBusIdleSource> screenSaver(const QDBusConnection& bus);

    bool offered() const { return m_query.offered(); }
    QString name() const override { return m_name; }

protected:
    void query(Answer answer) override;

private:
    DBusIdleSource(const QDBusConnection& bus, const QString& service, const QString& path,
                   const QString& method, const QString& name);

    DBusIdleQuery m_query;
    QString m_name;
};

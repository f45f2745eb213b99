#pragma once

#include "idle/DBusIdleQuery.h"
#include "idle/PolledIdleSource.h"

// GNOME's idle monitor (org.gnome.Mutter.IdleMonitor on the session bus):
// sees all input under Wayland and X11 alike.
class MutterIdleSource : public PolledIdleSource {
    Q_OBJECT
public:
    explicit MutterIdleSource(const QDBusConnection& bus, QObject* parent = nullptr);

    bool offered() const { return m_query.offered(); }
    QString name() const override;

protected:
    void query(Answer answer) override;

private:
    DBusIdleQuery m_query;
};

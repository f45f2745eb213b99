#pragma once

#include "idle/DBusIdleQuery.h"
#include "idle/PolledIdleSource.h"

// The freedesktop screen saver interface's GetSessionIdleTime, as KDE Plasma
// and a few others offer it on the session bus.
class ScreenSaverIdleSource : public PolledIdleSource {
    Q_OBJECT
public:
    explicit ScreenSaverIdleSource(const QDBusConnection& bus, QObject* parent = nullptr);

    bool offered() const { return m_query.offered(); }
    QString name() const override;

protected:
    void query(Answer answer) override;

private:
    DBusIdleQuery m_query;
};

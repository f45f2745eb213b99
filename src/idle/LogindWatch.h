#pragma once

#include <QDBusConnection>
#include <QObject>

#include <memory>

class DBusPropertiesInterface;
class LoginManagerInterface;

// Sleep and lock from systemd-logind on the system bus: the manager's
// PrepareForSleep and this session's LockedHint.
class LogindWatch : public QObject {
    Q_OBJECT
public:
    // `sessionId` as in $XDG_SESSION_ID; empty asks logind for the caller's.
    LogindWatch(const QDBusConnection& bus, const QString& sessionId, QObject* parent = nullptr);
    ~LogindWatch() override;

    bool offered() const;

Q_SIGNALS:
    void sleeping(bool asleep);
    void locked(bool isLocked);

private:
    void watchSession(const QString& path);

    QDBusConnection m_bus;
    std::unique_ptr<LoginManagerInterface> m_manager;
    std::unique_ptr<DBusPropertiesInterface> m_session;
};

#pragma once

#include <QDBusAbstractInterface>

// The desktop's notification server (org.freedesktop.Notifications on the
// session bus), for the signals it sends about the notifications it shows.
class NotificationsInterface : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit NotificationsInterface(const QDBusConnection& bus, QObject* parent = nullptr);

Q_SIGNALS:
    // The person chose the action `key` of notification `id`.
    void ActionInvoked(uint id, const QString& key);
    // Notification `id` went: 1 expired, 2 dismissed, 3 closed by a call.
    void NotificationClosed(uint id, uint reason);
};

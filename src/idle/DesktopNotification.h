#pragma once

#include "model/AwayQuestion.h"
#include "model/AwayTracker.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>
#include <optional>

class NotificationsInterface;

// The question about away time as a desktop notification whose actions are
// its three answers (org.freedesktop.Notifications). Where no notification
// server runs, or the one that runs shows no actions, it asks for the tray's
// message instead. Nothing here waits for the server.
class AwayNotification : public QObject {
    Q_OBJECT
public:
    explicit AwayNotification(const QDBusConnection& bus, QObject* parent = nullptr);
    ~AwayNotification() override;

    // Shows `question`, in place of one shown before.
    void show(const AwayQuestion& question);
    // Takes the notification (or the tray's message) away: answered elsewhere.
    void close();

Q_SIGNALS:
    void answered(AwayTracker::Answer answer);
    // A click on the notification itself, not on one of its actions.
    void clicked();
    // The fallback: the tray icon's message with this title and text; both
    // empty to take it away.
    void trayMessage(const QString& title, const QString& text);

private:
    void capabilitiesKnown(bool actions);
    void notify();
    void actionInvoked(uint id, const QString& key);

    QDBusConnection m_bus;
    std::unique_ptr<NotificationsInterface> m_server;
    std::optional<AwayQuestion> m_question;
    // The server's id of the notification on screen; 0 for none.
    uint m_id = 0;
    // Whether the question went to the tray's message.
    bool m_inTray = false;
    // Bumped on every show() and close(), so that late replies are dropped.
    int m_generation = 0;
};

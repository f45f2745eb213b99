#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class NotificationsInterface;

// One desktop notification of this app at a time, with buttons
// (org.freedesktop.Notifications): shown again it replaces itself. Where no
// notification server runs, or the one that runs shows no buttons, it asks
// for the tray's message instead. Nothing here waits for the server.
class DesktopNotification : public QObject {
    Q_OBJECT
public:
    struct Action {
        QString key;
        QString label;
    };
    struct Content {
        QString title;
        QString text;
        QList<Action> actions;
        // Added to the text in the tray's message, which has no buttons.
        QString trayHint;
        // The server's category hint.
        QString category;
        // Milliseconds on screen; 0: until answered, -1: the server's choice.
        int timeout = 0;
    };

    explicit DesktopNotification(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DesktopNotification() override;

    // Shows `content`, in place of what this notification showed before.
    void show(const Content& content);
    // Takes the notification (or the tray's message) away: answered elsewhere.
    void close();
    // Shown and not taken away since (it may have been dismissed on screen).
    bool isShown() const { return m_content.has_value(); }

Q_SIGNALS:
    // A button, by its key.
    void actionInvoked(const QString& key);
    // A click on the notification itself, not on one of its buttons.
    void clicked();
    // The fallback: the tray icon's message with this title and text; both
    // empty to take it away.
    void trayMessage(const QString& title, const QString& text);

private:
    void capabilitiesKnown(bool actions);
    void notify();
    void invoked(uint id, const QString& key);

    QDBusConnection m_bus;
    std::unique_ptr<NotificationsInterface> m_server;
    std::optional<Content> m_content;
    // The server's id of the notification on screen; 0 for none.
    uint m_id = 0;
    // Whether the content went to the tray's message.
    bool m_inTray = false;
    // Bumped on every show() and close(), so that late replies are dropped.
    int m_generation = 0;
};

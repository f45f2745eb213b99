#include "idle/DesktopNotification.h"

#include "idle/NotificationsInterface.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;

QDBusMessage call(const QString& method, const QVariantList& args = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, method);
    message.setArguments(args);
    return message;
}

} // namespace

DesktopNotification::DesktopNotification(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_server(std::make_unique<NotificationsInterface>(bus)) {
    connect(m_server.get(), &NotificationsInterface::ActionInvoked, this,
            &DesktopNotification::invoked);
    connect(m_server.get(), &NotificationsInterface::NotificationClosed, this,
            [this](uint id, uint) {
                // Dismissed or gone: what it asked still waits in the panel.
                if (id != 0 && id == m_id)
                    m_id = 0;
            });
}

DesktopNotification::~DesktopNotification() {
    // Its buttons would answer nobody once the app is gone.
    if (m_id != 0)
        m_bus.asyncCall(call(u"CloseNotification"_s, {m_id}));
}

void DesktopNotification::show(const Content& content) {
    m_content = content;
    const int generation = ++m_generation;
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(u"GetCapabilities"_s), 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<QStringList> reply = *done;
                if (generation == m_generation)
                    capabilitiesKnown(reply.isValid() && reply.value().contains(u"actions"_s));
            });
}

void DesktopNotification::capabilitiesKnown(bool actions) {
    if (actions) {
        notify();
        return;
    }
    if (m_id != 0)
        m_bus.asyncCall(call(u"CloseNotification"_s, {std::exchange(m_id, 0u)}));
    m_inTray = true;
    Q_EMIT trayMessage(m_content->title, m_content->text + m_content->trayHint);
}

void DesktopNotification::notify() {
    if (m_inTray)
        Q_EMIT trayMessage(QString(), QString());
    m_inTray = false;
    // "default" is a click on the notification itself; the rest are buttons.
    QStringList actions{u"default"_s, u"Open"_s};
    for (const Action& action : m_content->actions)
        actions << action.key << action.label;
    QVariantMap hints{{u"desktop-entry"_s, u"zevra-tikit"_s}};
    if (!m_content->category.isEmpty())
        hints.insert(u"category"_s, m_content->category);
    const QDBusMessage message =
        call(u"Notify"_s, {u"Zevra Tikit"_s, m_id, u"zevra-tikit"_s, m_content->title,
                           m_content->text, actions, hints, m_content->timeout});
    const int generation = m_generation;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<uint> reply = *done;
                if (generation == m_generation && reply.isValid())
                    m_id = reply.value();
                else if (generation == m_generation)
                    capabilitiesKnown(false);
                else if (reply.isValid() && reply.value() != m_id) // answered meanwhile
                    m_bus.asyncCall(call(u"CloseNotification"_s, {reply.value()}));
            });
}

void DesktopNotification::close() {
    ++m_generation;
    m_content.reset();
    if (m_id != 0)
        m_bus.asyncCall(call(u"CloseNotification"_s, {std::exchange(m_id, 0u)}));
    if (std::exchange(m_inTray, false))
        Q_EMIT trayMessage(QString(), QString());
}

void DesktopNotification::invoked(uint id, const QString& key) {
    // The server tells every client of every notification's actions.
    if (id == 0 || id != m_id)
        return;
    if (key == u"default"_s) {
        Q_EMIT clicked();
        return;
    }
    // Told after the search: a listener may close the notification, and
    // the list with it.
    const QList<Action>& actions = m_content->actions;
    if (std::any_of(actions.begin(), actions.end(),
                    [&key](const Action& action) { return action.key == key; }))
        Q_EMIT actionInvoked(key);
}

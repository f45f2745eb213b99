#include "idle/AwayNotification.h"

#include "idle/NotificationsInterface.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::StringLiterals;

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
const QString title = u"Away from the computer"_s;

QDBusMessage call(const QString& method, const QVariantList& args = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, method);
    message.setArguments(args);
    return message;
}

} // namespace

AwayNotification::AwayNotification(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_server(std::make_unique<NotificationsInterface>(bus)) {
    connect(m_server.get(), &NotificationsInterface::ActionInvoked, this,
            &AwayNotification::actionInvoked);
    connect(m_server.get(), &NotificationsInterface::NotificationClosed, this,
            [this](uint id, uint) {
                // Dismissed or gone: the question still waits in the panel.
                if (id != 0 && id == m_id)
                    m_id = 0;
            });
}

AwayNotification::~AwayNotification() {
    // Its buttons would answer nobody once the app is gone.
    if (m_id != 0)
        m_bus.asyncCall(call(u"CloseNotification"_s, {m_id}));
}

void AwayNotification::show(const AwayQuestion& question) {
    m_question = question;
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

void AwayNotification::capabilitiesKnown(bool actions) {
    if (actions) {
        notify();
        return;
    }
    if (m_id != 0)
        m_bus.asyncCall(call(u"CloseNotification"_s, {std::exchange(m_id, 0u)}));
    m_inTray = true;
    Q_EMIT trayMessage(title, m_question->text() + u" Open Zevra Tikit to keep or discard it."_s);
}

void AwayNotification::notify() {
    if (m_inTray)
        Q_EMIT trayMessage(QString(), QString());
    m_inTray = false;
    // "default" is a click on the notification itself; the rest are buttons.
    const QStringList actions{u"default"_s, u"Open"_s,    u"keep"_s,     u"Keep"_s,
                              u"discard"_s, u"Discard"_s, u"continue"_s, u"Discard and continue"_s};
    const QVariantMap hints{{u"desktop-entry"_s, u"zevra-tikit"_s}, {u"category"_s, u"presence"_s}};
    // No timeout: the question waits until it is answered.
    const QDBusMessage message = call(u"Notify"_s, {u"Zevra Tikit"_s, m_id, u"zevra-tikit"_s, title,
                                                    m_question->text(), actions, hints, 0});
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

void AwayNotification::close() {
    ++m_generation;
    m_question.reset();
    if (m_id != 0)
        m_bus.asyncCall(call(u"CloseNotification"_s, {std::exchange(m_id, 0u)}));
    if (std::exchange(m_inTray, false))
        Q_EMIT trayMessage(QString(), QString());
}

void AwayNotification::actionInvoked(uint id, const QString& key) {
    // The server tells every client of every notification's actions.
    if (id == 0 || id != m_id)
        return;
    if (key == u"default"_s)
        Q_EMIT clicked();
    else if (const std::optional<AwayTracker::Answer> answer = AwayTracker::answerNamed(key))
        Q_EMIT answered(*answer);
}

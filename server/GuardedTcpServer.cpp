#include "GuardedTcpServer.h"

#include "BodyLimitGuard.h"

#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

GuardedTcpServer::GuardedTcpServer(qint64 maxBody, BodyLimitGuard::HeadCheck headCheck,
                                   QObject* parent)
    : QTcpServer(parent)
    , m_maxBody(maxBody)
    , m_headCheck(std::move(headCheck)) {
    // Room for a burst of new connections (devices coming back after an
    // outage) while the event loop is busy: beyond the backlog the system
    // drops them, and their clients wait a second or more to try again.
    setListenBacklogSize(1024);
    // Out of file descriptors, QTcpServer stops accepting for good; it tries
    // again shortly instead, once some connections have closed.
    connect(this, &QTcpServer::acceptError, this, &GuardedTcpServer::acceptFailed);
}

void GuardedTcpServer::acceptFailed() {
    QTimer::singleShot(std::chrono::milliseconds(200), this, &QTcpServer::resumeAccepting);
}

namespace {

const QByteArray& busyAnswer() {
    static const QByteArray busy = [] {
        HttpAnswer answer =
            HttpAnswer::error(503, QStringLiteral("Too many connections, try again soon"));
        answer.headers.emplaceBack("Retry-After", "5");
        return answer.closingResponse();
    }();
    return busy;
}

constexpr std::chrono::seconds busyHandshakeTime{5};

} // namespace

bool GuardedTcpServer::closeIdlest() {
    BodyLimitGuard* idlest = nullptr;
    qint64 longest = -1;
    m_guards.removeAll(nullptr);
    for (const QPointer<BodyLimitGuard>& guard : std::as_const(m_guards)) {
        const std::optional<qint64> idle = guard->idleFor();
        if (idle && *idle > longest) {
            longest = *idle;
            idlest = guard;
        }
    }
    if (!idlest)
        return false;
    closeConnection(idlest);
    return true;
}

void GuardedTcpServer::closeConnection(BodyLimitGuard* guard) {
    // The socket goes with its guard, which then frees the place.
    m_guards.removeAll(guard);
    auto* socket = qobject_cast<QTcpSocket*>(guard->parent());
    socket->abort();
    socket->deleteLater();
}

void GuardedTcpServer::drain() {
    close();
    m_guards.removeAll(nullptr);
    for (const QPointer<BodyLimitGuard>& guard : QList(m_guards)) {
        guard->setDraining();
        if (guard->idleFor())
            closeConnection(guard);
    }
}

void GuardedTcpServer::refuseBusy(qintptr handle) {
    if (m_tls) {
        // The refusal has to go through TLS too: a short handshake, the
        // answer, and the end, with a time limit of its own.
        auto* socket = new QSslSocket(this);
        socket->setSslConfiguration(*m_tls);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            ::close(int(handle));
            return;
        }
        connect(socket, &QSslSocket::encrypted, socket, [socket] {
            socket->write(busyAnswer());
            socket->disconnectFromHost();
        });
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(busyHandshakeTime, socket, &QObject::deleteLater);
        socket->startServerEncryption();
        return;
    }
    // Answered and closed on the spot, so that refused connections never
    // hold a descriptor or an object for longer. What the client already
    // sent is read first: closing over unread bytes would reset the
    // connection and could lose the answer.
    const QByteArray& busy = busyAnswer();
    [[maybe_unused]] const ssize_t sent =
        ::send(int(handle), busy.constData(), size_t(busy.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(int(handle), SHUT_WR);
    char sink[4096];
    for (int i = 0; i < 16 && ::recv(int(handle), sink, sizeof(sink), MSG_DONTWAIT) > 0; ++i) {
    }
    ::close(int(handle));
}

QTcpSocket* GuardedTcpServer::makeSocket(qintptr handle) {
    if (!m_tls) {
        auto* socket = new QTcpSocket(this);
        if (socket->setSocketDescriptor(handle))
            return socket;
        delete socket;
        return nullptr;
    }
    auto* socket = new QSslSocket(this);
    socket->setSslConfiguration(*m_tls);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return nullptr;
    }
    return socket;
}

void GuardedTcpServer::incomingConnection(qintptr handle) {
    if (m_open >= m_maxConnections && !closeIdlest())
        return refuseBusy(handle);
    QTcpSocket* socket = makeSocket(handle);
    if (!socket) {
        ::close(int(handle));
        return;
    }
    ++m_open;
    // The guard lives as long as the socket; its end is the connection's.
    auto* guard = new BodyLimitGuard(socket, m_maxBody, m_idleTimeout, m_headCheck);
    m_guards.append(guard);
    connect(guard, &QObject::destroyed, this, [this] { --m_open; });
    auto* tls = qobject_cast<QSslSocket*>(socket);
    if (!tls)
        return addPendingConnection(socket);
    // A failed handshake ends the connection; the guard's time-out ends one
    // that never finishes.
    connect(tls, &QSslSocket::encrypted, this, [this, tls] {
        addPendingConnection(tls);
        Q_EMIT newConnection();
    });
    connect(tls, &QAbstractSocket::disconnected, tls, [tls] {
        if (!tls->isEncrypted())
            tls->deleteLater();
    });
    tls->startServerEncryption();
}

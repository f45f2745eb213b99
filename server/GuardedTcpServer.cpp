#include "GuardedTcpServer.h"

#include "BodyLimitGuard.h"

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

void GuardedTcpServer::incomingConnection(qintptr handle) {
    if (m_open >= m_maxConnections) {
        // Answered and closed on the spot, so that refused connections never
        // hold a descriptor or an object for longer. What the client already
        // sent is read first: closing over unread bytes would reset the
        // connection and could lose the answer.
        static const QByteArray busy = [] {
            HttpAnswer answer =
                HttpAnswer::error(503, QStringLiteral("Too many connections, try again soon"));
            answer.headers.emplaceBack("Retry-After", "5");
            return answer.closingResponse();
        }();
        [[maybe_unused]] const ssize_t sent =
            ::send(int(handle), busy.constData(), size_t(busy.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::shutdown(int(handle), SHUT_WR);
        char sink[4096];
        for (int i = 0; i < 16 && ::recv(int(handle), sink, sizeof(sink), MSG_DONTWAIT) > 0; ++i) {
        }
        ::close(int(handle));
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        ::close(int(handle));
        return;
    }
    ++m_open;
    // The guard lives as long as the socket; its end is the connection's.
    auto* guard = new BodyLimitGuard(socket, m_maxBody, m_idleTimeout, m_headCheck);
    connect(guard, &QObject::destroyed, this, [this] { --m_open; });
    addPendingConnection(socket);
}

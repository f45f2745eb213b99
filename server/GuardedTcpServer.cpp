#include "GuardedTcpServer.h"

#include "BodyLimitGuard.h"

#include <QTcpSocket>

GuardedTcpServer::GuardedTcpServer(qint64 maxBody, QObject* parent)
    : QTcpServer(parent)
    , m_maxBody(maxBody) {}

void GuardedTcpServer::incomingConnection(qintptr handle) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    new BodyLimitGuard(socket, m_maxBody);
    addPendingConnection(socket);
}

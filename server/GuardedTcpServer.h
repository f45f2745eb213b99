#pragma once

#include "BodyLimitGuard.h"

#include <QTcpServer>

#include <chrono>
#include <limits>

// A TCP server that puts a BodyLimitGuard on every connection before the
// HTTP server sees it, and keeps the number of open connections within a
// limit: a connection beyond it is answered 503 and closed at once, without
// touching the ones being served.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    GuardedTcpServer(qint64 maxBody, BodyLimitGuard::HeadCheck headCheck,
                     QObject* parent = nullptr);

    // No limit and no time-out unless set. The time-out applies to
    // connections accepted from then on.
    void setMaxConnections(int count) { m_maxConnections = count; }
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }
    int openConnections() const { return m_open; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    void acceptFailed();

    qint64 m_maxBody;
    BodyLimitGuard::HeadCheck m_headCheck;
    int m_maxConnections = std::numeric_limits<int>::max();
    std::chrono::milliseconds m_idleTimeout{0}; // none
    int m_open = 0;
};

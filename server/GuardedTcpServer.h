#pragma once

#include "BodyLimitGuard.h"

#include <QPointer>
#include <QSslConfiguration>
#include <QTcpServer>

#include <chrono>
#include <limits>
#include <optional>

class QSslSocket;

// A TCP server that puts a BodyLimitGuard on every connection before the
// HTTP server sees it, and keeps the number of open connections within a
// limit: at the limit, the connection idle longest is closed to make room;
// when every one is in the middle of a request, the new one is answered 503
// and closed at once, without touching the ones being served. With a TLS
// configuration every connection is HTTPS: the guard reads what the TLS
// layer decrypts, and the HTTP server gets the connection once the
// handshake is done.
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
    // Stops accepting and closes the idle connections; the others close after
    // their next answer.
    void drain();
    // HTTPS for connections accepted from then on; nothing for plain HTTP.
    void setTls(const std::optional<QSslConfiguration>& tls) { m_tls = tls; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    void acceptFailed();
    // Closes the connection idle longest; false when none is idle.
    bool closeIdlest();
    void closeConnection(BodyLimitGuard* guard);
    void refuseBusy(qintptr handle);
    QTcpSocket* makeSocket(qintptr handle);

    qint64 m_maxBody;
    BodyLimitGuard::HeadCheck m_headCheck;
    int m_maxConnections = std::numeric_limits<int>::max();
    std::chrono::milliseconds m_idleTimeout{0}; // none
    int m_open = 0;
    std::optional<QSslConfiguration> m_tls;
    QList<QPointer<BodyLimitGuard>> m_guards;
};

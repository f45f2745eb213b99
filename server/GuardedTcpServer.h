#pragma once

#include <QTcpServer>

// A TCP server that puts a BodyLimitGuard on every connection before the
// HTTP server sees it.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    GuardedTcpServer(qint64 maxBody, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr handle) override;

private:
    qint64 m_maxBody;
};

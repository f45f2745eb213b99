#pragma once

#include <QByteArray>
#include <QObject>

class QTcpSocket;

// Watches the bytes arriving on one connection before the HTTP server reads
// them, following request heads and bodies. A request that announces a body
// over the limit (413), sends its body in chunks (411) or has an oversized
// head (431) is answered here and the connection closed, so that no such
// request is ever held in memory. Must be attached before anything else reads
// the socket.
class BodyLimitGuard : public QObject {
    Q_OBJECT
public:
    BodyLimitGuard(QTcpSocket* socket, qint64 maxBody);

    static constexpr qsizetype maxHead = 64 * 1024;

private:
    void inspect();
    // Consumes what belongs to the current request head; true when the head
    // is complete and acceptable.
    bool takeHead(const QByteArray& data, qsizetype& pos);
    QByteArray limitText() const;
    void refuse(int status, const QByteArray& reason, const QByteArray& message);

    enum class State { Head, Body, Refused };

    QTcpSocket* m_socket;
    qint64 m_maxBody;
    State m_state = State::Head;
    QByteArray m_head;
    qint64 m_bodyLeft = 0;
};

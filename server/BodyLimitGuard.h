#pragma once

#include "HttpAnswer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class QTcpSocket;

// Watches the bytes arriving on one connection before the HTTP server reads
// them, following request heads and bodies. A request that announces a body
// over the limit (413), sends its body in chunks (411) or has an oversized
// head (431) is answered here and the connection closed, so that no such
// request is ever held in memory. A request announcing a large body is first
// shown, by its method, target and key, to a head check, so that one refused
// anyway (such as with a wrong key) is answered before its body arrives. Must
// be attached before anything else reads the socket.
//
// It also closes connections that hold a place without using it: one that
// sends nothing for the idle time-out after opening or after its last answer
// left; one whose request head is not complete within the time-out (answered
// 408); one whose body arrives slower than minBodyRate after a first time-out.
// An answer being written is never cut while the client takes any of it; one
// that the client does not read for a whole time-out is dropped.
class BodyLimitGuard : public QObject {
    Q_OBJECT
public:
    // The refusal of a request by its method, target and X-Api-Key alone, or
    // nothing.
    using HeadCheck = std::function<std::optional<HttpAnswer>(
        const QByteArray& method, const QByteArray& target, const QByteArray& apiKey)>;

    // No time-out when `idleTimeout` is zero.
    BodyLimitGuard(QTcpSocket* socket, qint64 maxBody, std::chrono::milliseconds idleTimeout,
                   HeadCheck headCheck = {});

    static constexpr qsizetype maxHead = 64 * 1024;
    // Requests with smaller bodies are only checked once received.
    static constexpr qint64 checkHeadsFrom = 64 * 1024;
    static constexpr qint64 minBodyRate = 1024; // bytes per second

    // How long the connection has waited for a request with nothing under
    // way (no request arriving or being answered), or nothing when busy.
    std::optional<qint64> idleFor() const;
    // Called as the answer to the oldest request received starts; whether the
    // connection is to close once it has left ("Connection: close", or
    // HTTP/1.0 without keep-alive).
    static bool answering(QTcpSocket* socket);
    // The server is shutting down: the connection closes after its next answer.
    void setDraining() { m_draining = true; }

private:
    void inspect();
    void written();
    void checkIdle();
    // When the connection counts as idle, in milliseconds of m_clock.
    qint64 idleAt() const;
    // Consumes what belongs to the current request head; true when the head
    // is complete and acceptable.
    bool takeHead(const QByteArray& data, qsizetype& pos);
    QByteArray limitText() const;
    // A refusal about the request's size or timing, with the body limit.
    void refuse(int status, const QByteArray& message);
    // Answers and closes the connection.
    void refuse(const HttpAnswer& answer);

    enum class State { Head, Body, Refused };

    QTcpSocket* m_socket;
    qint64 m_maxBody;
    HeadCheck m_headCheck;
    State m_state = State::Head;
    QByteArray m_head;
    qint64 m_bodyLeft = 0;

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_timeout;
    // Times on m_clock: the last request received or answer bytes sent; the
    // start of the current head or body; since when an answer waits unsent
    // (-1: none seen waiting).
    qint64 m_lastActivity = 0;
    qint64 m_partSince = 0;
    qint64 m_stalledSince = -1;
    qint64 m_bodyReceived = 0;
    // Per request received and not yet answered: whether to close after it.
    QList<bool> m_closeAfter;
    bool m_draining = false;
};

#include "BodyLimitGuard.h"

#include <QTcpSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// Acknowledges what arrives at once instead of after the delayed-ACK pause. A
// client that writes a request's head and body apart (Qt's network access
// manager does) holds the body back until its head is acknowledged, so a
// delayed ACK would cost each such request tens of milliseconds. The system
// falls back to delaying by itself, so this is set again after every read.
void acknowledgeQuickly(QTcpSocket* socket) {
    const qintptr fd = socket->socketDescriptor();
    const int on = 1;
    if (fd >= 0)
        ::setsockopt(int(fd), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

} // namespace

BodyLimitGuard::BodyLimitGuard(QTcpSocket* socket, qint64 maxBody,
                               std::chrono::milliseconds idleTimeout, HeadCheck headCheck)
    : QObject(socket)
    , m_socket(socket)
    , m_maxBody(maxBody)
    , m_headCheck(std::move(headCheck))
    , m_timeout(idleTimeout.count()) {
    connect(socket, &QTcpSocket::readyRead, this, &BodyLimitGuard::inspect);
    // Answers leave as soon as they are written.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    acknowledgeQuickly(socket);
    m_clock.start();
    if (m_timeout <= 0)
        return;
    connect(socket, &QTcpSocket::bytesWritten, this, &BodyLimitGuard::written);
    // The timer fires at most once per time-out: activity only moves the
    // times that checkIdle() compares with.
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &BodyLimitGuard::checkIdle);
    m_timer.start(m_timeout);
}

std::optional<qint64> BodyLimitGuard::idleFor() const {
    if (m_state != State::Head || !m_head.isEmpty() || !m_closeAfter.isEmpty() ||
        m_socket->bytesToWrite() > 0 || m_socket->bytesAvailable() > 0)
        return std::nullopt;
    return m_clock.elapsed() - m_lastActivity;
}

bool BodyLimitGuard::answering(QTcpSocket* socket) {
    auto* guard = socket ? socket->findChild<BodyLimitGuard*>(QString(), Qt::FindDirectChildrenOnly)
                         : nullptr;
    if (!guard || guard->m_closeAfter.isEmpty())
        return false;
    return guard->m_closeAfter.takeFirst() || guard->m_draining;
}

void BodyLimitGuard::written() {
    m_lastActivity = m_clock.elapsed();
    m_stalledSince = -1;
}

qint64 BodyLimitGuard::idleAt() const {
    qint64 at = m_lastActivity + m_timeout;
    if (m_state == State::Body)
        at = m_partSince + m_timeout + m_bodyReceived * 1000 / minBodyRate;
    else if (!m_head.isEmpty())
        at = m_partSince + m_timeout;
    if (m_stalledSince >= 0)
        at = std::max(at, m_stalledSince + m_timeout);
    return at;
}

void BodyLimitGuard::checkIdle() {
    const qint64 now = m_clock.elapsed();
    if (m_state != State::Refused) {
        // An answer made while the timer waited (a long request) gets a
        // whole time-out to leave.
        if (m_socket->bytesToWrite() > 0 && m_stalledSince < 0)
            m_stalledSince = now;
        // A request still being answered on another thread holds the
        // connection; its answer then gets a whole time-out to leave.
        if (!m_closeAfter.isEmpty() && m_socket->bytesToWrite() == 0 && m_state == State::Head &&
            m_head.isEmpty()) {
            m_timer.start(m_timeout);
            return;
        }
        const qint64 at = idleAt();
        if (now < at) {
            m_timer.start(at - now);
            return;
        }
        if (m_socket->bytesToWrite() == 0 && (m_state == State::Body || !m_head.isEmpty())) {
            refuse(408, "The request did not arrive in time");
            return;
        }
    }
    // Idle, an answer nobody reads, or a refusal that had its time to leave.
    // The HTTP server may no longer watch a connection it could not parse,
    // so the socket is deleted here too.
    m_socket->abort();
    m_socket->deleteLater();
}

void BodyLimitGuard::inspect() {
    acknowledgeQuickly(m_socket);
    if (m_state == State::Refused) {
        m_socket->readAll();
        return;
    }
    // Peeking leaves the bytes for the HTTP server, which reads all of them
    // right after this.
    const QByteArray data = m_socket->peek(m_socket->bytesAvailable());
    qsizetype pos = 0;
    while (pos < data.size() && m_state != State::Refused) {
        if (m_state == State::Body) {
            const qint64 take = qMin<qint64>(m_bodyLeft, data.size() - pos);
            pos += take;
            m_bodyLeft -= take;
            m_bodyReceived += take;
            if (m_bodyLeft == 0) {
                m_state = State::Head;
                m_lastActivity = m_clock.elapsed();
            }
            continue;
        }
        if (!takeHead(data, pos))
            return;
    }
}

bool BodyLimitGuard::takeHead(const QByteArray& data, qsizetype& pos) {
    if (m_head.isEmpty())
        m_partSince = m_clock.elapsed();
    const qsizetype before = m_head.size();
    m_head.append(data.constData() + pos, data.size() - pos);
    // Empty lines between requests are allowed before a request line.
    qsizetype stripped = 0;
    while (m_head.startsWith("\r\n")) {
        m_head.remove(0, 2);
        stripped += 2;
    }
    const qsizetype end = m_head.indexOf("\r\n\r\n");
    if (end < 0) {
        pos = data.size();
        if (m_head.size() > maxHead)
            refuse(431, "Request head too large");
        return false;
    }
    if (end + 4 > maxHead) {
        refuse(431, "Request head too large");
        return false;
    }
    // The bytes of `data` that completed the head.
    const qsizetype used = qMax<qsizetype>(0, end + 4 + stripped - before);
    pos = qMin(data.size(), pos + used);
    const QList<QByteArray> lines = m_head.left(end).split('\n');
    m_head.clear();

    qint64 length = 0;
    std::optional<QByteArray> apiKey; // the first, as the HTTP server reads it
    // HTTP/1.1 keeps the connection unless told to close; 1.0 only when told
    // to keep it.
    const bool http10 = lines.first().trimmed().endsWith("HTTP/1.0");
    bool close = http10;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower() != "identity") {
            refuse(411, "Request bodies must be sent with a Content-Length");
            return false;
        }
        if (name == "x-api-key" && !apiKey)
            apiKey = value;
        if (name == "connection") {
            for (const QByteArray& option : value.toLower().split(',')) {
                if (option.trimmed() == "close")
                    close = true;
                else if (option.trimmed() == "keep-alive" && http10)
                    close = false;
            }
        }
        if (name == "content-length") {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok || length < 0) {
                refuse(400, "Invalid Content-Length");
                return false;
            }
        }
    }
    if (length > m_maxBody) {
        refuse(413, "The request body is larger than " + limitText());
        return false;
    }
    if (length >= checkHeadsFrom && m_headCheck) {
        const QList<QByteArray> request = lines.first().trimmed().split(' ');
        if (const std::optional<HttpAnswer> refusal =
                m_headCheck(request.value(0), request.value(1), apiKey.value_or(QByteArray()))) {
            refuse(*refusal);
            return false;
        }
    }
    m_closeAfter.append(close);
    m_bodyLeft = length;
    m_state = length > 0 ? State::Body : State::Head;
    m_bodyReceived = 0;
    m_partSince = m_lastActivity = m_clock.elapsed();
    return true;
}

QByteArray BodyLimitGuard::limitText() const {
    constexpr qint64 mb = 1024 * 1024;
    if (m_maxBody >= mb && m_maxBody % mb == 0)
        return QByteArray::number(m_maxBody / mb) + " MB";
    return QByteArray::number(m_maxBody) + " bytes";
}

void BodyLimitGuard::refuse(int status, const QByteArray& message) {
    HttpAnswer answer;
    answer.status = status;
    // The limit goes with the refusal so that a device can send less.
    answer.body = "{\"ok\":false,\"error\":\"" + message +
                  "\",\"max_body\":" + QByteArray::number(m_maxBody) + '}';
    refuse(answer);
}

void BodyLimitGuard::refuse(const HttpAnswer& answer) {
    m_state = State::Refused;
    m_socket->readAll();
    m_socket->write(answer.closingResponse());
    m_socket->disconnectFromHost();
    // A client that does not take the refusal is dropped after a time-out.
    if (m_timeout > 0)
        m_timer.start(m_timeout);
}

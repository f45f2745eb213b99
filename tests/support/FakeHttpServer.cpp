#include "FakeHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHttpServerRequest>
#include <QMetaEnum>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

QByteArray RecordedRequest::header(const QByteArray& name) const {
    const QByteArray wanted = name.toLower();
    for (const auto& [key, value] : headers) {
        if (key == wanted)
            return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(const QByteArray& name) const {
    const QByteArray wanted = name.toLower();
    for (const auto& header : headers) {
        if (header.first == wanted)
            return true;
    }
    return false;
}

namespace {
QByteArray methodText(QHttpServerRequest::Method method) {
    // The enumeration's own names ("Get", "Patch", ...) in upper case.
    const char* name = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return name ? QByteArray(name).toUpper() : QByteArray("UNKNOWN");
}
} // namespace

FakeHttpServer::FakeHttpServer(QObject* parent)
    : QAbstractHttpServer(parent) {
    m_port = listen(QHostAddress::LocalHost, 0);
}

FakeHttpServer::~FakeHttpServer() {
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_stalled)) {
        if (socket)
            socket->abort();
    }
}

QString FakeHttpServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:") + QString::number(m_port);
}

bool FakeHttpServer::waitForRequests(int count, int timeoutMs) const {
    QDeadlineTimer deadline(timeoutMs);
    while (m_requests.size() < count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return m_requests.size() >= count;
}

quint16 FakeHttpServer::closedPort() {
    // Bind a port, remember it, release it: nothing listens there afterwards.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

bool FakeHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    RecordedRequest recorded;
    recorded.method = methodText(request.method());
    recorded.path = request.url().path();
    recorded.query = request.query();
    for (const auto& [key, value] : request.headers())
        recorded.headers.append({key.toLower(), value});
    recorded.body = request.body();
    m_requests.append(recorded);

    ScriptedReply reply = m_default;
    if (m_handler)
        reply = m_handler(recorded);
    else if (!m_queue.isEmpty())
        reply = m_queue.takeFirst();

    if (reply.delivery == ScriptedReply::Delivery::Stall) {
        m_stalled.append(socket);
        return true;
    }
    if (reply.delivery == ScriptedReply::Delivery::Reset) {
        socket->abort();
        return true;
    }
    const bool cutOff = reply.delivery == ScriptedReply::Delivery::CutOff;

    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    if (!reply.contentType.isEmpty())
        out += "Content-Type: " + reply.contentType + "\r\n";
    for (const auto& [key, value] : reply.extraHeaders)
        out += key + ": " + value + "\r\n";
    out +=
        "Content-Length: " + QByteArray::number(reply.body.size() + (cutOff ? 1000 : 0)) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += reply.body;
    if (reply.delivery == ScriptedReply::Delivery::Drip) {
        drip(socket, out);
        return true;
    }
    socket->write(out);
    socket->flush();
    socket->disconnectFromHost();
    return true;
}

void FakeHttpServer::drip(QTcpSocket* socket, const QByteArray& bytes) {
    QPointer<QTcpSocket> target(socket);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); // no Nagle wait per byte
    auto* timer = new QTimer(this);
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, this, [target, timer, bytes, at = qsizetype(0)]() mutable {
        if (!target || at >= bytes.size()) {
            if (target)
                target->disconnectFromHost();
            timer->deleteLater();
            timer->stop();
            return;
        }
        target->write(bytes.mid(at++, 1));
        target->flush();
    });
    timer->start();
}

void FakeHttpServer::missingHandler(const QHttpServerRequest&, QTcpSocket* socket) {
    socket->write("HTTP/1.1 500 Unhandled\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}

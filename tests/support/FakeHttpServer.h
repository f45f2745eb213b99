#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QUrlQuery>

#include <functional>

// One request as the fake server saw it.
struct RecordedRequest {
    QByteArray method; // "GET", "POST", ...
    QString path;
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers; // names lower-cased, in arrival order
    QByteArray body;

    // The value of a header (name in any case), or a null array.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
};

// What the fake server answers.
struct ScriptedReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    QList<QPair<QByteArray, QByteArray>> extraHeaders;
    enum class Delivery {
        Whole,
        Stall,  // never answer: the client times out
        CutOff, // announce more body than is sent, then close
        Reset,  // drop the connection without a word
        Drip,   // the whole answer, one byte at a time
    };
    Delivery delivery = Delivery::Whole;

    static ScriptedReply json(int status, const QByteArray& body,
                              Delivery delivery = Delivery::Whole) {
        return {status, body, "application/json", {}, delivery};
    }
    static ScriptedReply stalled() { return {200, {}, {}, {}, Delivery::Stall}; }
    static ScriptedReply cutOffAfter(const QByteArray& part) {
        return json(200, part, Delivery::CutOff);
    }
};

// A scripted HTTP server on a random loopback port for tests: records every
// request and answers from a queue of scripted replies (then the default
// reply), or from a handler function.
class FakeHttpServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    explicit FakeHttpServer(QObject* parent = nullptr);
    ~FakeHttpServer() override;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    void enqueue(const ScriptedReply& reply) { m_queue.append(reply); }
    void setDefaultReply(const ScriptedReply& reply) { m_default = reply; }
    // When set, answers every request (the queue is ignored).
    void setHandler(std::function<ScriptedReply(const RecordedRequest&)> handler) {
        m_handler = std::move(handler);
    }

    const QList<RecordedRequest>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // Spins the event loop until `count` requests arrived (or the time is up).
    bool waitForRequests(int count, int timeoutMs = 5000) const;

    // A loopback port on which nothing listens, for transport failures.
    static quint16 closedPort();

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void drip(QTcpSocket* socket, const QByteArray& bytes);

    quint16 m_port = 0;
    QList<RecordedRequest> m_requests;
    QList<ScriptedReply> m_queue;
    ScriptedReply m_default = ScriptedReply::json(200, "{}");
    std::function<ScriptedReply(const RecordedRequest&)> m_handler;
    QList<QPointer<QTcpSocket>> m_stalled;
};

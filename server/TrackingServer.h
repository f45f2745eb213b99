#pragma once

#include "DataFolder.h"
#include "HttpAnswer.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QSslConfiguration>

#include <chrono>
#include <memory>

class AnswerQueue;
class ApiRouter;
class ApiWorkers;

// The tracking server: "/api.php" for the API, "/uploads/<path>" for stored
// pictures and "/releases/<version>/<file>" for release archives, over the
// data folder it opens.
class TrackingServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    static constexpr qint64 maxBodyBytes = 64 * 1024 * 1024;

    explicit TrackingServer(QObject* parent = nullptr);
    ~TrackingServer() override;

    // Opens (creating if needed) the data folder, with its records in
    // `database` (the folder's own SQLite file without). False with `error`
    // set.
    bool open(const QString& dataPath, const std::optional<DatabaseUrl>& database, QString* error);
    DataFolder& data() { return m_data; }

    // The largest request body accepted (64 MB unless changed before
    // listening).
    void setMaxBodyBytes(qint64 bytes);

    // Threads answering "/api.php" requests, each with its own database
    // connection; set before open(). Zero answers them on the thread that
    // serves the connections. By default four on PostgreSQL, where requests
    // waiting on the database overlap, and two on SQLite (one writes while
    // the other reads: SQLite writes one transaction at a time).
    void setWorkers(int count) { m_workerCount = count; }

    // Connections open at once; more are answered 503 and closed.
    static constexpr int defaultMaxConnections = 1000;
    // Connections that send nothing (or trickle) for this long are closed.
    static constexpr std::chrono::milliseconds defaultIdleTimeout = std::chrono::seconds(30);
    // Both apply to connections accepted from then on.
    void setMaxConnections(int count);
    void setIdleTimeout(std::chrono::milliseconds timeout);

    // Serves HTTPS with the PEM certificate (chain) and key in these files,
    // for connections accepted from then on. False with `error` set, and the
    // earlier setting kept, when they cannot be used.
    bool setTls(const QString& certPath, const QString& keyPath, QString* error);
    bool isTls() const { return m_tls.has_value(); }

    // Starts listening; the bound port, or 0 with `error` set.
    quint16 listenOn(const QHostAddress& address, quint16 port, QString* error);

    // JSON answers from this size on are sent compressed to clients that
    // accept "deflate" (the Qt network stack does by default).
    static constexpr qsizetype compressFrom = 64 * 1024;
    // Whether answers to this machine's own loopback are compressed too; off
    // by default, as compressing costs more time than it saves there.
    void setCompressLoopback(bool on) { m_compressLoopback = on; }
    static bool acceptsDeflate(const QByteArray& acceptEncoding);
    static void compress(HttpAnswer& answer);

    // Stops accepting connections and closes idle ones; the others close after
    // their next answer, and "/health" answers 503 from now on.
    void drain();
    bool isDraining() const { return m_draining; }
    int openConnections() const;

    // The answer to one request, as written to the connection.
    HttpAnswer answer(const QByteArray& method, const QUrl& url, const QByteArray& apiKey,
                      const QByteArray& body);

    // The refusal of a request by its method, target and key alone, before
    // its body arrives; nothing when the body must be seen.
    std::optional<HttpAnswer> refusalBeforeBody(const QByteArray& method, const QByteArray& target,
                                                const QByteArray& apiKey);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    HttpAnswer health();
    HttpAnswer servePicture(const QByteArray& method, const QString& path);
    HttpAnswer serveRelease(const QByteArray& method, const QString& path);
    // The answer to a request that came on `socket`, written now or, while
    // the connection still waits for the answer to an earlier request, after it.
    void respond(const QHttpServerRequest& request, QTcpSocket* socket, const HttpAnswer& answer);
    // Hands an API request to the workers; its answer is written once back
    // on this thread.
    void answerElsewhere(const QHttpServerRequest& request, QTcpSocket* socket, bool compressible);
    // Writes the answer, and closes the connection after it when the request
    // asked so.
    void send(const QHttpServerRequest& request, QTcpSocket* socket, const HttpAnswer& answer);
    void write(const QHttpServerRequest& request, QTcpSocket* socket, const HttpAnswer& answer);

    DataFolder m_data;
    std::unique_ptr<ApiRouter> m_router;
    std::optional<int> m_workerCount;
    std::unique_ptr<ApiWorkers> m_workers;
    qint64 m_maxBodyBytes = maxBodyBytes;
    int m_maxConnections = defaultMaxConnections;
    std::chrono::milliseconds m_idleTimeout = defaultIdleTimeout;
    bool m_compressLoopback = false;
    bool m_draining = false;
    std::optional<QSslConfiguration> m_tls;
};

#include "TrackingServer.h"

#include "AnswerQueue.h"
#include "ApiRouter.h"
#include "ApiWorkers.h"
#include "Deflate.h"
#include "GuardedTcpServer.h"
#include "PictureStore.h"
#include "ReleaseStore.h"
#include "Storage.h"
#include "StorageError.h"
#include "StorageRetry.h"
#include "StoredFileDevice.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMetaEnum>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

QByteArray methodName(QHttpServerRequest::Method method) {
    // The enumeration's own names ("Get", "Patch", ...) in upper case.
    const char* name = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return name ? QByteArray(name).toUpper() : QByteArray("UNKNOWN");
}

QByteArray header(const QHttpServerRequest& request, const QByteArray& name) {
    for (const auto& [key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

HttpAnswer notFound() {
    return HttpAnswer::error(404, u"Not found"_s);
}

HttpAnswer onlyGet() {
    HttpAnswer a = HttpAnswer::error(405, u"Method not allowed"_s);
    a.headers.emplaceBack("Allow", "GET");
    return a;
}

int defaultWorkers(DatabaseUrl::Engine engine) {
    return engine == DatabaseUrl::Engine::PostgreSQL ? 4 : 2;
}

} // namespace

TrackingServer::TrackingServer(QObject* parent)
    : QAbstractHttpServer(parent) {}

TrackingServer::~TrackingServer() {
    // Before anything they post answers to goes.
    m_workers.reset();
}

bool TrackingServer::open(const QString& dataPath, const std::optional<DatabaseUrl>& database,
                          QString* error) {
    if (!m_data.open(dataPath, database, error))
        return false;
    m_router = std::make_unique<ApiRouter>(m_data.storage(), m_data.pictures(), m_data.releases());
    m_router->setMaxBody(m_maxBodyBytes);
    const int workers = m_workerCount.value_or(defaultWorkers(m_data.database().engine));
    if (workers > 0)
        m_workers =
            std::make_unique<ApiWorkers>(m_data.path(), m_data.database(), workers, m_maxBodyBytes);
    return true;
}

void TrackingServer::setMaxBodyBytes(qint64 bytes) {
    m_maxBodyBytes = bytes;
    if (m_router)
        m_router->setMaxBody(bytes);
    if (m_workers)
        m_workers->setMaxBody(bytes);
}

void TrackingServer::setMaxConnections(int count) {
    m_maxConnections = count;
    for (GuardedTcpServer* tcp : findChildren<GuardedTcpServer*>())
        tcp->setMaxConnections(count);
}

void TrackingServer::setIdleTimeout(std::chrono::milliseconds timeout) {
    m_idleTimeout = timeout;
    for (GuardedTcpServer* tcp : findChildren<GuardedTcpServer*>())
        tcp->setIdleTimeout(timeout);
}

bool TrackingServer::setTls(const QString& certPath, const QString& keyPath, QString* error) {
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certPath, QSsl::Pem);
    QFile keyFile(keyPath);
    if (chain.isEmpty() || chain.first().isNull()) {
        *error = u"%1 holds no PEM certificate"_s.arg(certPath);
        return false;
    }
    if (!keyFile.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(keyPath, keyFile.errorString());
        return false;
    }
    const QByteArray pem = keyFile.readAll();
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            break;
    }
    if (key.isNull()) {
        *error = u"%1 holds no unencrypted PEM private key"_s.arg(keyPath);
        return false;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_tls = tls;
    for (GuardedTcpServer* tcp : findChildren<GuardedTcpServer*>())
        tcp->setTls(m_tls);
    return true;
}

void TrackingServer::drain() {
    m_draining = true;
    for (GuardedTcpServer* tcp : findChildren<GuardedTcpServer*>())
        tcp->drain();
}

int TrackingServer::openConnections() const {
    int open = 0;
    for (const GuardedTcpServer* tcp : findChildren<GuardedTcpServer*>())
        open += tcp->openConnections();
    return open;
}

quint16 TrackingServer::listenOn(const QHostAddress& address, quint16 port, QString* error) {
    auto* tcp = new GuardedTcpServer(
        m_maxBodyBytes,
        [this](const QByteArray& method, const QByteArray& target, const QByteArray& apiKey) {
            return refusalBeforeBody(method, target, apiKey);
        },
        this);
    tcp->setMaxConnections(m_maxConnections);
    tcp->setIdleTimeout(m_idleTimeout);
    tcp->setTls(m_tls);
    if (!tcp->listen(address, port)) {
        if (error)
            *error = tcp->errorString();
        delete tcp;
        return 0;
    }
    bind(tcp);
    return tcp->serverPort();
}

HttpAnswer TrackingServer::answer(const QByteArray& method, const QUrl& url,
                                  const QByteArray& apiKey, const QByteArray& body) {
    if (!m_router)
        return HttpAnswer::error(503, u"The server has no data folder open"_s);
    if (body.size() > m_maxBodyBytes)
        return HttpAnswer::error(413, u"The request body is larger than the server accepts"_s);
    const QString path = url.path(QUrl::FullyDecoded);
    if (path == "/health"_L1)
        return method == "GET" ? health() : onlyGet();
    return retryingStorage(m_data.storage(), [&] {
        if (path == "/api.php"_L1)
            return m_router->handle(method, QUrlQuery(url), apiKey, body);
        if (path.startsWith("/uploads/"_L1))
            return servePicture(method, path.mid(9));
        if (path.startsWith("/releases/"_L1))
            return serveRelease(method, path.mid(10));
        return notFound();
    });
}

std::optional<HttpAnswer> TrackingServer::refusalBeforeBody(const QByteArray& method,
                                                            const QByteArray& target,
                                                            const QByteArray& apiKey) {
    const QUrl url(QString::fromLatin1(target));
    if (!m_router || url.path(QUrl::FullyDecoded) != "/api.php"_L1)
        return std::nullopt;
    try {
        return m_router->refusalBeforeBody(method, QUrlQuery(url), apiKey);
    } catch (const StorageError&) {
        return std::nullopt; // the request's own turn tells, once it is whole
    }
}

HttpAnswer TrackingServer::health() {
    // For load balancers: no key, and healthy only while the database answers
    // and the server is not shutting down.
    if (m_draining)
        return HttpAnswer::error(503, u"Shutting down"_s);
    if (!m_data.storage().isReachable())
        return HttpAnswer::error(503, u"The database does not answer"_s);
    HttpAnswer a = HttpAnswer::json(QJsonObject{{u"ok"_s, true}});
    a.headers.emplaceBack("Cache-Control", "no-store");
    return a;
}

HttpAnswer TrackingServer::servePicture(const QByteArray& method, const QString& path) {
    if (method != "GET")
        return onlyGet();
    // Only the exact form of a stored picture's path is looked up, so nothing
    // outside the uploads folder can be named.
    const std::optional<QString> file = m_data.pictures().fileFor(path);
    const std::optional<qint64> stored = file ? std::nullopt : m_data.pictures().storedSize(path);
    if (!file && !stored)
        return notFound();
    HttpAnswer a;
    if (file) {
        a.filePath = *file;
    } else {
        a.storedPath = path;
        a.storedSize = *stored;
    }
    a.contentType = PictureStore::contentType(path.section(u'.', -1));
    // A stored picture never changes under its name.
    a.headers.emplaceBack("Cache-Control", "public, max-age=31536000, immutable");
    return a;
}

HttpAnswer TrackingServer::serveRelease(const QByteArray& method, const QString& path) {
    if (method != "GET")
        return onlyGet();
    const QStringList parts = path.split(u'/');
    if (parts.size() != 2)
        return notFound();
    // Only archives of published releases, looked up by their recorded names.
    const std::optional<QString> file = m_data.releases().archiveFor(parts[0], parts[1]);
    const auto stored = file ? std::nullopt : m_data.releases().storedArchive(parts[0], parts[1]);
    if (!file && !stored)
        return notFound();
    HttpAnswer a;
    if (file)
        a.filePath = *file;
    else
        std::tie(a.storedPath, a.storedSize) = *stored;
    a.contentType = "application/zip";
    a.headers.emplaceBack("Content-Disposition",
                          "attachment; filename=\"" + parts[1].toUtf8() + '"');
    return a;
}

bool TrackingServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const bool compressible = (m_compressLoopback || !request.remoteAddress().isLoopback()) &&
                              acceptsDeflate(header(request, "Accept-Encoding"));
    if (m_workers && request.body().size() <= m_maxBodyBytes &&
        request.url().path(QUrl::FullyDecoded) == "/api.php"_L1) {
        answerElsewhere(request, socket, compressible);
        return true;
    }
    HttpAnswer a = answer(methodName(request.method()), request.url(), header(request, "X-Api-Key"),
                          request.body());
    if (a.filePath.isEmpty() && a.body.size() >= compressFrom && compressible)
        compress(a);
    respond(request, socket, a);
    return true;
}

void TrackingServer::answerElsewhere(const QHttpServerRequest& request, QTcpSocket* socket,
                                     bool compressible) {
    AnswerQueue* queue = AnswerQueue::of(socket);
    if (!queue)
        queue = new AnswerQueue(socket);
    // The request lives as long as its connection, and the queue with it.
    const QPointer<AnswerQueue> target(queue);
    const QHttpServerRequest* const asked = &request;
    const quint64 place = queue->reserve();
    const auto done = [this, target, asked, place, compressible](HttpAnswer&& a) {
        // On the worker's thread: compressing is work too.
        if (a.body.size() >= compressFrom && compressible)
            compress(a);
        QMetaObject::invokeMethod(
            this,
            [this, target, asked, place, a = std::move(a)] {
                if (target)
                    target->fill(place, [this, target, asked, a] {
                        send(*asked, qobject_cast<QTcpSocket*>(target->parent()), a);
                    });
            },
            Qt::QueuedConnection);
    };
    m_workers->post(
        {methodName(request.method()), request.url(), header(request, "X-Api-Key"), request.body()},
        done);
}

void TrackingServer::respond(const QHttpServerRequest& request, QTcpSocket* socket,
                             const HttpAnswer& a) {
    AnswerQueue* queue = AnswerQueue::of(socket);
    if (!queue || !queue->isWaiting())
        return send(request, socket, a);
    queue->fill(queue->reserve(), [this, asked = &request, socket, a] { send(*asked, socket, a); });
}

bool TrackingServer::acceptsDeflate(const QByteArray& acceptEncoding) {
    for (const QByteArray& item : acceptEncoding.split(',')) {
        const QList<QByteArray> parts = item.split(';');
        if (parts.first().trimmed().toLower() != "deflate")
            continue;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QByteArray parameter = parts.at(i).trimmed().toLower();
            if (parameter.startsWith("q=") && parameter.mid(2).toDouble() <= 0)
                return false;
        }
        return true;
    }
    return false;
}

void TrackingServer::compress(HttpAnswer& a) {
    QByteArray compressed = Deflate::compress(a.body);
    if (compressed.isEmpty())
        return; // sent as it is
    a.body = std::move(compressed);
    a.headers.emplaceBack("Content-Encoding", "deflate");
    a.headers.emplaceBack("Vary", "Accept-Encoding");
}

void TrackingServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    respond(request, socket, notFound());
}

void TrackingServer::send(const QHttpServerRequest& request, QTcpSocket* socket,
                          const HttpAnswer& a) {
    const bool close = BodyLimitGuard::answering(socket);
    write(request, socket, a);
    if (!close)
        return;
    // Closed once the whole answer has left. A file goes out in pieces as the
    // socket drains; disconnecting waits for what is already written.
    const QPointer<QTcpSocket> guard(socket);
    const auto finish = [guard] {
        if (guard && guard->bytesToWrite() == 0 &&
            guard->state() == QAbstractSocket::ConnectedState)
            guard->disconnectFromHost();
    };
    if (a.filePath.isEmpty() && a.storedPath.isEmpty())
        return socket->disconnectFromHost();
    connect(socket, &QTcpSocket::bytesWritten, socket, finish, Qt::QueuedConnection);
}

void TrackingServer::write(const QHttpServerRequest& request, QTcpSocket* socket,
                           const HttpAnswer& a) {
    const auto status = static_cast<QHttpServerResponder::StatusCode>(a.status);
    if (!a.filePath.isEmpty() || !a.storedPath.isEmpty()) {
        // Files are streamed from disk or from the database. File answers
        // carry exactly one header besides their content type.
        QIODevice* file = nullptr;
        if (a.filePath.isEmpty())
            file = new StoredFileDevice(m_data.storage(), a.storedPath, a.storedSize);
        else
            file = new QFile(a.filePath);
        if (!file->open(QIODevice::ReadOnly)) {
            delete file;
            write(request, socket, HttpAnswer::error(500, u"Cannot read the file"_s));
            return;
        }
        Q_ASSERT(a.headers.size() == 1);
        const QPair<QByteArray, QByteArray> extra = a.headers.value(0);
        QHttpServerResponder responder = makeResponder(request, socket);
        responder.write(file, {{"Content-Type", a.contentType}, {extra.first, extra.second}},
                        status);
        return;
    }
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(status);
    responder.writeHeader("Content-Type", a.contentType);
    for (const auto& [name, value] : a.headers)
        responder.writeHeader(name, value);
    responder.writeHeader("Content-Length", QByteArray::number(a.body.size()));
    // Ends the head; the body goes to the socket as the byte array itself,
    // which the socket keeps instead of copying (reports run to hundreds of
    // megabytes).
    responder.writeBody("", 0);
    socket->write(a.body);
}

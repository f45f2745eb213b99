#include "ServerHarness.h"

#include <QProcess>
#include <QSslCertificate>

#include "PeopleAction.h"
#include "SqlEngine.h"
#include "Storage.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUuid>

using namespace Qt::StringLiterals;

void TestDatabase::onCluster(const QString& sql) {
    const QString name = u"zevra-test-admin"_s;
    {
        QString error;
        const auto admin =
            DatabaseUrl::parse(qEnvironmentVariable("ZEVRA_TEST_POSTGRES_URL"), &error);
        if (!admin)
            qFatal("%s (run the tests through scripts/with-postgres.sh)", qPrintable(error));
        QSqlDatabase db = SqlEngine(admin->engine).connection(*admin, name);
        QSqlQuery q(db);
        if (!db.open() || !q.exec(sql))
            qFatal("PostgreSQL: %s: %s", qPrintable(sql),
                   qPrintable((db.isOpen() ? q.lastError() : db.lastError()).text()));
    }
    QSqlDatabase::removeDatabase(name);
}

TestDatabase::TestDatabase() {
    if (qEnvironmentVariable("ZEVRA_TEST_ENGINE") != "postgresql"_L1)
        return;
    const QString name = u"zevra_test_"_s + QUuid::createUuid().toString(QUuid::Id128);
    onCluster(u"CREATE DATABASE "_s + name);
    m_url = DatabaseUrl::parse(qEnvironmentVariable("ZEVRA_TEST_POSTGRES_URL"), nullptr);
    m_url->name = name;
}

TestDatabase::~TestDatabase() {
    if (m_url)
        onCluster(u"DROP DATABASE "_s + m_url->name + u" WITH (FORCE)"_s);
}

ServerHarness::ServerHarness(const QString& dataPath, qint64 maxBody) {
    QString error;
    if (!m_server.open(dataPath, m_database.url(), &error))
        qFatal("cannot open the data folder: %s", qPrintable(error));
    m_server.setMaxBodyBytes(maxBody);
    m_port = m_server.listenOn(QHostAddress(QHostAddress::LocalHost), 0, &error);
    if (m_port == 0)
        qFatal("cannot listen: %s", qPrintable(error));
}

QString ServerHarness::addPerson(const QString& name, bool isAdmin) {
    PeopleAction people(storage());
    QString error;
    const auto created = people.create(name, isAdmin, &error);
    if (!created)
        qFatal("cannot create %s: %s", qPrintable(name), qPrintable(error));
    return created->apiKey;
}

qint64 ServerHarness::personId(const QString& name) {
    const auto user = storage().userByName(name);
    return user ? user->id : 0;
}

HttpResult ServerHarness::request(const QByteArray& method, const QString& path, const QString& key,
                                  const std::optional<QByteArray>& body) {
    QNetworkRequest request(QUrl(baseUrl() + path));
    if (!key.isEmpty())
        request.setRawHeader("X-Api-Key", key.toUtf8());
    if (body)
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
    QNetworkReply* reply = body ? m_network.sendCustomRequest(request, method, *body)
                                : m_network.sendCustomRequest(request, method);
    if (!reply->isFinished()) { // an event loop, not polling: files stream as the socket drains
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!reply->isFinished())
        qFatal("no answer to %s %s", method.constData(), qPrintable(path));
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.json = QJsonDocument::fromJson(result.body).object();
    result.contentType = reply->rawHeader("Content-Type");
    reply->deleteLater();
    return result;
}

HttpResult ServerHarness::sync(const QString& key, const QJsonObject& body) {
    return request("POST", u"/api.php?action=sync"_s, key,
                   QJsonDocument(body).toJson(QJsonDocument::Compact));
}

QByteArray ServerHarness::rawGet(const QString& path) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), m_port);
    socket.write("GET " + path.toLatin1() + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray received;
    auto complete = [&] {
        received += socket.readAll();
        const qsizetype end = received.indexOf("\r\n\r\n");
        const qsizetype at = received.toLower().indexOf("content-length:");
        if (end < 0 || at < 0 || at > end)
            return socket.state() == QAbstractSocket::UnconnectedState;
        const qsizetype lineEnd = received.indexOf("\r\n", at);
        return received.size() >= end + 4 + received.mid(at + 15, lineEnd - at - 15).toLongLong();
    };
    if (!QTest::qWaitFor(complete, 20000))
        qWarning("raw request: incomplete answer");
    return received;
}

namespace SyncBody {

QJsonObject entry(const QString& ref, const QString& description, const QString& startedAt,
                  const std::optional<QString>& endedAt) {
    QJsonObject o{{"ref"_L1, ref},
                  {"description"_L1, description},
                  {"started_at"_L1, startedAt},
                  {"screenshots"_L1, QJsonArray()}};
    if (endedAt)
        o.insert("ended_at"_L1, *endedAt);
    return o;
}

QJsonObject deletion(const QString& ref, std::optional<qint64> serverId) {
    QJsonObject o{{"ref"_L1, ref}, {"deleted"_L1, true}};
    if (serverId)
        o.insert("server_id"_L1, *serverId);
    return o;
}

QJsonObject request(const QJsonArray& pending, const std::optional<QString>& since) {
    QJsonObject o{{"pending"_L1, pending}, {"new_clients"_L1, QJsonArray()}};
    if (since)
        o.insert("since"_L1, *since);
    return o;
}

QJsonObject upload(const QByteArray& bytes) {
    return {{"base64"_L1, QString::fromLatin1(bytes.toBase64())}, {"ext"_L1, u"png"_s}};
}

QByteArray png(const QColor& color) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace SyncBody

QByteArray makeCertificate(const QString& dir, const QString& name) {
    const QString base = dir + u'/' + name;
    QDir().mkpath(dir);
    QProcess openssl;
    openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                 u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-days"_s, u"1"_s,
                                 u"-subj"_s, u"/CN=127.0.0.1"_s, u"-keyout"_s, base + u".key"_s,
                                 u"-out"_s, base + u".pem"_s});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return {};
    const QList<QSslCertificate> certs = QSslCertificate::fromPath(base + u".pem"_s);
    return certs.isEmpty() ? QByteArray() : certs.first().digest(QCryptographicHash::Sha256);
}

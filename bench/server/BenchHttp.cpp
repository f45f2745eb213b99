#include "BenchHttp.h"

#include "SqlEngine.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

BenchHttp::Answer BenchHttp::send(const QByteArray& method, const QString& url, const QString& key,
                                  const std::optional<QByteArray>& body) {
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("X-Api-Key", key.toUtf8());
    if (body)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    QNetworkReply* reply = body ? m_network.sendCustomRequest(request, method, *body)
                                : m_network.sendCustomRequest(request, method);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    Answer a;
    a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    a.body = reply->readAll();
    reply->deleteLater();
    return a;
}

std::optional<DatabaseUrl> BenchServer::postgresDatabase(QString* error) {
    std::optional<DatabaseUrl> url =
        DatabaseUrl::parse(qEnvironmentVariable("ZEVRA_TEST_POSTGRES_URL"), error);
    if (!url) {
        *error += QStringLiteral(" (run the benchmark through scripts/with-postgres.sh)");
        return std::nullopt;
    }
    const QString name =
        QStringLiteral("zevra_bench_") + QUuid::createUuid().toString(QUuid::Id128);
    const QString connection = QStringLiteral("zevra-bench-admin");
    bool created = false;
    {
        QSqlDatabase db = SqlEngine(url->engine).connection(*url, connection);
        QSqlQuery q(db);
        created = db.open() && q.exec(QStringLiteral("CREATE DATABASE ") + name);
        if (!created)
            *error = (db.isOpen() ? q.lastError() : db.lastError()).text();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!created)
        return std::nullopt;
    url->name = name;
    return url;
}

bool BenchServer::open(int engine, QString* error) {
    std::optional<DatabaseUrl> database;
    if (engine == 1 && !(database = postgresDatabase(error)))
        return false;
    // ZEVRA_BENCH_WORKERS compares other numbers of API threads.
    if (const int workers = qEnvironmentVariableIntValue("ZEVRA_BENCH_WORKERS"); workers > 0)
        m_server.setWorkers(workers);
    if (!m_server.open(m_dir.path(), database, error))
        return false;
    const quint16 port = m_server.listenOn(QHostAddress(QHostAddress::LocalHost), 0, error);
    m_baseUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
    return port != 0;
}

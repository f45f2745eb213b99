#pragma once

#include "TestEnv.h"
#include "TrackingServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>

#include <optional>

struct HttpResult {
    int status = 0;
    QByteArray body;
    QJsonObject json;
    QByteArray contentType;
    QString error() const { return json.value(QLatin1StringView("error")).toString(); }
};

// The data folder's SQLite file, or with ZEVRA_TEST_ENGINE=postgresql a new
// database on the cluster of ZEVRA_TEST_POSTGRES_URL, dropped afterwards.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();

    const std::optional<DatabaseUrl>& url() const { return m_url; }
    // Runs one statement on the cluster's own database, as its owner.
    static void onCluster(const QString& sql);
    // "--database URL" for zevra-server's command line, or nothing.
    QStringList arguments() const {
        return m_url ? QStringList{QStringLiteral("--database"), m_url->display(true)}
                     : QStringList{};
    }

private:
    std::optional<DatabaseUrl> m_url;
};

// A real tracking server on a random loopback port over a data folder.
class ServerHarness {
public:
    explicit ServerHarness(const QString& dataPath, qint64 maxBody = TrackingServer::maxBodyBytes);

    const TestDatabase& database() const { return m_database; }
    TrackingServer& server() { return m_server; }
    Storage& storage() { return m_server.data().storage(); }
    quint16 port() const { return m_port; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    // Creates a person directly in the database; gives the API key.
    QString addPerson(const QString& name, bool isAdmin = false);
    qint64 personId(const QString& name);

    // One request; `path` includes the query ("/api.php?action=users").
    HttpResult request(const QByteArray& method, const QString& path, const QString& key = {},
                       const std::optional<QByteArray>& body = std::nullopt);
    HttpResult get(const QString& path, const QString& key = {}) {
        return request("GET", path, key);
    }
    HttpResult sync(const QString& key, const QJsonObject& body);
    // A GET of `path` as written, without Qt's URL cleaning, over a plain socket.
    QByteArray rawGet(const QString& path);

private:
    TestDatabase m_database; // outlives the server's connection to it
    TrackingServer m_server;
    quint16 m_port = 0;
    QNetworkAccessManager m_network;
};

// A self-signed certificate for 127.0.0.1 made by openssl: "<dir>/<name>.pem" and
// "<dir>/<name>.key". Gives its SHA-256, empty when openssl failed.
QByteArray makeCertificate(const QString& dir, const QString& name);

// A sandbox with a server over "<sandbox>/server", an administrator Ada and Bob.
struct ServerFixture {
    explicit ServerFixture(const QDateTime& now = QDateTime(QDate(2026, 1, 5), QTime(9, 30),
                                                            Qt::UTC))
        : env(now)
        , h(env.path(QStringLiteral("server")))
        , ada(h.addPerson(QStringLiteral("Ada"), true))
        , bob(h.addPerson(QStringLiteral("Bob"))) {}
    QString uploads() const { return env.path(QStringLiteral("server")) + "/uploads/"; }

    TestEnv env;
    ServerHarness h;
    QString ada;
    QString bob;
};

// Small builders for sync bodies.
namespace SyncBody {
QJsonObject entry(const QString& ref, const QString& description, const QString& startedAt,
                  const std::optional<QString>& endedAt = std::nullopt);
QJsonObject deletion(const QString& ref, std::optional<qint64> serverId = std::nullopt);
QJsonObject request(const QJsonArray& pending, const std::optional<QString>& since = {});
QJsonObject upload(const QByteArray& bytes);
QByteArray png(const QColor& color);
} // namespace SyncBody

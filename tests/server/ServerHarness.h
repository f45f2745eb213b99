#pragma once

#include "TrackingServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QString>

#include <optional>

// One HTTP answer as a test sees it.
struct HttpResult {
    int status = 0;
    QByteArray body;
    QJsonObject json;
    QList<QPair<QByteArray, QByteArray>> headers;

    QByteArray header(const QByteArray& name) const;
    QString error() const { return json.value(QLatin1StringView("error")).toString(); }
};

// A real tracking server on a random loopback port over a given data folder,
// and a network manager to talk to it.
class ServerHarness {
public:
    explicit ServerHarness(const QString& dataPath, qint64 maxBody = TrackingServer::maxBodyBytes);

    TrackingServer& server() { return m_server; }
    Storage& storage();
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    // Creates a person directly in the database; gives the API key.
    QString addPerson(const QString& name, bool isAdmin = false);
    // The id of a person by name.
    qint64 personId(const QString& name);

    // One request; `path` includes the query ("/api.php?action=users").
    HttpResult request(const QByteArray& method, const QString& path, const QString& key = {},
                       const std::optional<QByteArray>& body = std::nullopt);
    HttpResult get(const QString& path, const QString& key = {});
    HttpResult sync(const QString& key, const QJsonObject& body);
    // Raw bytes over a plain socket, returning everything read until the
    // server closes or a full answer with Content-Length has arrived.
    QByteArray raw(const QByteArray& bytes);

private:
    TrackingServer m_server;
    quint16 m_port = 0;
    QNetworkAccessManager m_network;
};

// Small builders for sync bodies.
namespace SyncBody {
QJsonObject entry(const QString& ref, const QString& description, const QString& startedAt,
                  const std::optional<QString>& endedAt = std::nullopt,
                  const QJsonArray& screenshots = {});
QJsonObject deletion(const QString& ref, std::optional<qint64> serverId = std::nullopt);
QJsonObject request(const QJsonArray& pending, const QJsonArray& newClients = {},
                    const std::optional<QString>& since = std::nullopt);
// {"base64": ..., "ext": ...}
QJsonObject upload(const QByteArray& bytes, const QString& ext = QStringLiteral("png"));
QJsonObject keep(const QString& path);
// A tiny valid PNG image of the given colour.
QByteArray png(const QColor& color);
} // namespace SyncBody

#pragma once

#include "Storage.h"
#include "TrackingServer.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// Sends one request and waits for its answer in a local event loop, so that
// an in-process server can answer it. For benchmarks only.
class BenchHttp {
public:
    struct Answer {
        int status = 0;
        QByteArray body;
    };

    Answer send(const QByteArray& method, const QString& url, const QString& key,
                const std::optional<QByteArray>& body = std::nullopt);

private:
    QNetworkAccessManager m_network;
};

// A tracking server on a loopback port over a temporary data folder, with
// its records on SQLite (engine 0) or in a new database on the PostgreSQL
// cluster that ZEVRA_TEST_POSTGRES_URL names (engine 1; see
// scripts/with-postgres.sh).
class BenchServer {
public:
    bool open(int engine, QString* error);
    static QString engineName(int engine) { return engine == 0 ? "SQLite" : "PostgreSQL"; }
    // A new, empty database on the cluster.
    static std::optional<DatabaseUrl> postgresDatabase(QString* error);

    TrackingServer& server() { return m_server; }
    Storage& storage() { return m_server.data().storage(); }
    const QString& baseUrl() const { return m_baseUrl; }

private:
    QTemporaryDir m_dir;
    TrackingServer m_server;
    QString m_baseUrl;
};

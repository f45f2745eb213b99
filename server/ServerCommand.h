#pragma once

#include "DatabaseUrl.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks zevra-server to do.
struct ServerCommand {
    enum class Kind { Serve, CreateAdmin, Publish, MigrateTo, Backup, Help, Version };

    Kind kind = Kind::Serve;
    QString dataPath;
    // The records' database; the data folder's SQLite file when not given.
    std::optional<DatabaseUrl> database;
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8080;
    // Serving: the server's defaults when not given.
    std::optional<int> maxConnections;
    std::optional<int> idleTimeoutSeconds;
    // How long requests under way may take to finish after SIGTERM.
    std::optional<int> drainTimeoutSeconds;
    // Threads answering API requests.
    std::optional<int> workers;
    // Serving HTTPS: a PEM certificate (chain) and its key; both or neither.
    QString tlsCertPath;
    QString tlsKeyPath;
    // create-admin
    QString name;
    // publish
    QString version;
    QString zipPath;
    std::optional<QString> notes;
    // migrate-to
    DatabaseUrl target;
    // backup: the copy to write, and whether it may replace an existing file
    QString backupPath;
    bool force = false;

    // Reads the arguments (without the program name). Nothing, with `error`
    // set, for arguments that make no sense.
    static std::optional<ServerCommand> parse(const QStringList& arguments, QString* error);
    static QString usage();
    // "HOST:PORT" or "[v6 address]:PORT" into its parts.
    static bool parseListen(const QString& text, QString& host, quint16& port);
};

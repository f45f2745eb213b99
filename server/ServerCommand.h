#pragma once

#include "DatabaseUrl.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks zevra-server to do.
struct ServerCommand {
    enum class Kind { Serve, CreateAdmin, Publish, MigrateTo, Help, Version };

    Kind kind = Kind::Serve;
    QString dataPath;
    // The records' database; the data folder's SQLite file when not given.
    std::optional<DatabaseUrl> database;
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8080;
    // create-admin
    QString name;
    // publish
    QString version;
    QString zipPath;
    std::optional<QString> notes;
    // migrate-to
    DatabaseUrl target;

    // Reads the arguments (without the program name). Nothing, with `error`
    // set, for arguments that make no sense.
    static std::optional<ServerCommand> parse(const QStringList& arguments, QString* error);
    static QString usage();
    // "HOST:PORT" or "[v6 address]:PORT" into its parts.
    static bool parseListen(const QString& text, QString& host, quint16& port);
};

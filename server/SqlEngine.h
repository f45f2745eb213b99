#pragma once

#include "DatabaseUrl.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QVariantList>

#include <optional>
#include <utility>

// Everything that differs between the engines the server runs on: the
// driver and its connection, the column types of the schema, the lock taken
// while the schema changes, which failures are conflicts worth trying again,
// and the id counters. Every other statement of Storage is the same text on
// both.
class SqlEngine {
public:
    explicit SqlEngine(DatabaseUrl::Engine engine)
        : m_engine(engine) {}

    DatabaseUrl::Engine engine() const { return m_engine; }

    // A connection named `name` to `url`, not yet opened.
    QSqlDatabase connection(const DatabaseUrl& url, const QString& name) const;
    // Statements run once on each new connection.
    QStringList sessionSetup() const;
    // The schema is written with SQLite's types; this gives the engine's own.
    QString schema(const QString& sql) const;
    // Statements that keep other servers from changing the schema at the
    // same time; run first in the transaction that brings it up to date.
    QStringList migrationLock() const;
    // Another connection changed the same rows first: running the whole
    // request again is likely to succeed.
    bool isConflict(const QSqlError& error) const;
    // The last id handed out for the table (0 when none), with one bound
    // value: the table's name.
    QString lastIdQuery() const;
    // Statements (with their bound values) that make `next` the next id
    // handed out for the table.
    QList<std::pair<QString, QVariantList>> setNextId(const QString& table, qint64 next) const;

    // A statement that writes a consistent copy of the whole database, also
    // while others write to it, into the file bound to it (empty or not yet
    // there); nothing where the engine's own tools do that (pg_dump).
    std::optional<QString> backupStatement() const;

    // A subquery giving the texts of the JSON array bound to it, one a row,
    // for "x IN (...)": one bound value for a list of any length.
    QString textsOfJsonArray() const;

    // How many seconds ago the oldest transaction of another server process on
    // this database began (NULL when none is open); nothing where only one
    // process writes at a time.
    std::optional<QString> oldestOtherTransactionQuery() const;

private:
    DatabaseUrl::Engine m_engine;
};

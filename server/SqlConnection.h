#pragma once

#include "DatabaseUrl.h"
#include "SqlEngine.h"
#include "SqliteWriteTurn.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>

// One connection of the server to its database, on SQLite or PostgreSQL: it
// connects, keeps the prepared statements while connected, runs statements
// with bound parameters and brackets transactions (on SQLite taking this
// process's turn to write). It knows nothing of the tables; what differs
// between the engines lies in SqlEngine. Failures raise StorageError.
class SqlConnection {
public:
    SqlConnection();
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // Connects (creating a SQLite file if needed) and runs the engine's
    // session setup. False with `error` set when that fails; the address is
    // kept for reconnect() then too.
    bool open(const DatabaseUrl& url, QString* error);
    void close();
    // Drops the connection but keeps the address for reconnect().
    void disconnect();
    // After a failure: whether the connection was lost (a database server
    // that restarted, a network that broke, an earlier attempt that failed)
    // and has been opened again.
    bool reconnect();
    // Whether the database answers a query now.
    bool answers();

    // The engine of the last address given to open(); none before.
    const SqlEngine& engine() const { return *m_engine; }
    // For statements read another way than through QSqlQuery (SqlCursor).
    const QSqlDatabase& database() const { return m_db; }

    // A prepared statement, kept for reuse while the connection is open.
    QSqlQuery& prepared(const QString& sql);
    // Runs a prepared statement with positional values.
    QSqlQuery& run(const QString& sql, const QVariantList& values);
    // A statement that is not kept (its text changes from call to call).
    QSqlQuery runOnce(const QString& sql, const QVariantList& values);
    void execute(const QString& sql);
    // Runs an INSERT and gives the id of the new row.
    qint64 insert(const QString& sql, const QVariantList& values);

    void begin();
    void commit();
    void rollback();
    // How many seconds ago the oldest transaction still open on another
    // connection began (on SQLite: of this process, waiting to write or
    // writing); nothing when none is.
    std::optional<double> oldestOtherTransactionAge();

private:
    [[noreturn]] void fail(const QSqlQuery& query, const QString& what) const;
    void releaseTurn();

    std::unique_ptr<SqlEngine> m_engine;
    std::optional<DatabaseUrl> m_url; // while open, or after a failed attempt
    QString m_connection;
    QSqlDatabase m_db;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
    // SQLite: taken from begin() to commit() or rollback().
    std::optional<SqliteWriteTurn> m_writeTurn;
};

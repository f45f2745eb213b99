#pragma once

#include "DatabaseUrl.h"
#include "DeletedEntry.h"
#include "ReportRow.h"
#include "ServerClient.h"
#include "ServerEntry.h"
#include "ServerRelease.h"
#include "ServerUser.h"
#include "SqlConnection.h"
#include "model/TaskSuggestion.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// The server's database, on SQLite or PostgreSQL. This class holds the
// schema and the statements of the records (those of the files kept in the
// database are StoredFiles'); they run on a SqlConnection, and what differs
// between the engines lies in SqlEngine. Every statement uses bound
// parameters. Failures raise StorageError.
class Storage {
public:
    Storage();
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // Connects (creating a SQLite file if needed) and brings the schema up to
    // date. False with `error` set when that fails.
    bool open(const DatabaseUrl& url, QString* error);
    // Connects to a database that another connection of this process has
    // opened (and so brought up to date) already; no schema check.
    bool connect(const DatabaseUrl& url, QString* error);
    void close();
    // After a failure: whether the connection was lost (a database server
    // that restarted, a network that broke, an earlier attempt that failed)
    // and has been opened again.
    bool reconnect();
    // Whether the database answers a query now, connecting again if it was lost.
    bool isReachable();

    static int schemaVersion();

    // Whether nothing has been recorded yet (no people, clients, entries,
    // deletions or releases).
    bool isEmpty();
    // Copies every record, and the files kept in the database, into `target`,
    // ids included, in one transaction there; the target's next ids follow
    // the highest ones handed out here.
    // Gives the number of rows copied by table.
    QList<std::pair<QString, qint64>> copyTo(Storage& target);
    // Writes a consistent copy of the whole database into `path`, a file that
    // is empty or not yet there, while others may go on writing. False when
    // the engine leaves that to its own tools.
    bool backupTo(const QString& path);

    // --- transactions ---
    void begin();
    void commit();
    void rollback();
    // How many seconds ago the oldest transaction still open on another
    // connection began (on SQLite: of this process, waiting to write or
    // writing); nothing when none is.
    std::optional<double> oldestOtherTransactionAge();

    // --- people ---
    std::optional<ServerUser> userByKeyHash(const QByteArray& keyHash);
    std::optional<ServerUser> userByName(const QString& name);
    QList<ServerUser> users();
    ServerUser createUser(const QString& name, bool isAdmin, const QByteArray& keyHash, qint64 now);
    // False when there is no such person.
    bool setUserActive(qint64 id, bool active);
    std::optional<ServerUser> user(qint64 id);
    // Replaces the person's key; false when there is no such person.
    bool setUserKeyHash(qint64 id, const QByteArray& keyHash);

    // --- clients ---
    QList<ServerClient> clients();
    std::optional<ServerClient> client(qint64 id);
    std::optional<ServerClient> clientByName(const QString& name);
    ServerClient createClient(const QString& name, const QString& color, qint64 createdBy,
                              qint64 now);
    // The client of this name, made with `color` when there is none yet. One
    // made by another connection at the same moment is waited for and taken,
    // instead of failing the transaction.
    ServerClient clientNamed(const QString& name, const QString& color, qint64 createdBy,
                             qint64 now);
    // Writes the client's name, colour and archived flag; false when there is
    // no such client.
    bool updateClient(const ServerClient& client, qint64 now);

    // --- entries ---
    std::optional<ServerEntry> entry(qint64 id);
    std::optional<ServerEntry> entryByRef(qint64 userId, const QString& ref);
    // Inserts and returns the new id; `screenshots` are not written here.
    qint64 insertEntry(const ServerEntry& entry);
    // The same for many entries of distinct refs, in few statements; the ids
    // in the order of `entries`.
    QList<qint64> insertEntries(const QList<ServerEntry>& entries);
    // Which of `refs` name an entry of the person or one deleted.
    QSet<QString> knownRefs(qint64 userId, const QStringList& refs);
    void updateEntry(const ServerEntry& entry);
    // Removes the entry with its pictures' rows and keeps a deletion record.
    void deleteEntry(const ServerEntry& entry, qint64 now);
    std::optional<DeletedEntry> deletedEntry(qint64 userId, qint64 entryId);
    std::optional<DeletedEntry> deletedEntryByRef(qint64 userId, const QString& ref);

    QStringList screenshots(qint64 entryId);
    void setScreenshots(qint64 entryId, const QStringList& paths);

    // The person's entries updated at or after `since` (all without it), with
    // their pictures, oldest change first; and the ids of their entries
    // deleted at or after `since`, oldest deletion first.
    struct Changes {
        QList<ServerEntry> entries;
        QList<qint64> deleted;
    };
    Changes changesSince(qint64 userId, std::optional<qint64> since);
    // The person's tasks, most used first, then most recent.
    QList<TaskSuggestion> tasks(qint64 userId, int limit);

    // --- reports ---
    // Visits the entries started in [from, to), of the given people and
    // clients (empty lists do not narrow), in the order of their start.
    void reportRows(qint64 from, qint64 to, const QList<qint64>& userIds,
                    const QList<qint64>& clientIds,
                    const std::function<void(const ReportRow&)>& visit);

    // --- releases ---
    QList<ServerRelease> releases();
    std::optional<ServerRelease> release(const QString& version);
    void insertRelease(const ServerRelease& release);

    // The connection the records are read and written on, for classes that
    // keep statements of their own (StoredFiles); they run within the
    // transaction open here, if there is one.
    SqlConnection& connection() { return m_sql; }

private:
    void migrate();
    // migrate(), dropping the connection (the address is kept for
    // reconnect()) and giving the message when that fails.
    bool migrated(QString* error);

    SqlConnection m_sql;
};

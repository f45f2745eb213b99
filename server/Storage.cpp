#include "Storage.h"

#include "SqlRows.h"
#include "StorageError.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Each list brings the schema from the version before it to its own number.
const QList<QStringList>& migrations() {
    static const QList<QStringList> steps = {
        // 1: people, clients, entries with their pictures, deletions, releases.
        {
            u"CREATE TABLE users ("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " name TEXT NOT NULL,"
            " name_key TEXT NOT NULL UNIQUE,"
            " is_admin INTEGER NOT NULL DEFAULT 0,"
            " active INTEGER NOT NULL DEFAULT 1,"
            " key_hash TEXT NOT NULL UNIQUE,"
            " created_at INTEGER NOT NULL)"_s,
            u"CREATE TABLE clients ("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " name TEXT NOT NULL,"
            " name_key TEXT NOT NULL UNIQUE,"
            " color TEXT NOT NULL,"
            " archived INTEGER NOT NULL DEFAULT 0,"
            " created_by INTEGER REFERENCES users(id),"
            " updated_at INTEGER NOT NULL)"_s,
            // Ids are never reused: devices remove entries by the ids of
            // deleted ones.
            u"CREATE TABLE entries ("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " user_id INTEGER NOT NULL REFERENCES users(id),"
            " ref TEXT NOT NULL,"
            " client_id INTEGER REFERENCES clients(id),"
            " description TEXT NOT NULL,"
            " started_at INTEGER NOT NULL,"
            " ended_at INTEGER,"
            " updated_at INTEGER NOT NULL,"
            " UNIQUE (user_id, ref))"_s,
            u"CREATE INDEX entries_by_user_start ON entries (user_id, started_at)"_s,
            u"CREATE INDEX entries_by_user_update ON entries (user_id, updated_at)"_s,
            u"CREATE INDEX entries_by_start ON entries (started_at)"_s,
            u"CREATE TABLE screenshots ("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " entry_id INTEGER NOT NULL REFERENCES entries(id) ON DELETE CASCADE,"
            " position INTEGER NOT NULL,"
            " path TEXT NOT NULL UNIQUE)"_s,
            u"CREATE INDEX screenshots_by_entry ON screenshots (entry_id, position)"_s,
            u"CREATE TABLE deleted_entries ("
            " entry_id INTEGER PRIMARY KEY,"
            " user_id INTEGER NOT NULL REFERENCES users(id),"
            " ref TEXT NOT NULL,"
            " deleted_at INTEGER NOT NULL)"_s,
            u"CREATE INDEX deleted_by_user_time ON deleted_entries (user_id, deleted_at)"_s,
            u"CREATE INDEX deleted_by_user_ref ON deleted_entries (user_id, ref)"_s,
            u"CREATE TABLE releases ("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " version TEXT NOT NULL UNIQUE,"
            " file_name TEXT NOT NULL,"
            " notes TEXT,"
            " pub_date INTEGER NOT NULL)"_s,
        },
        // 2: files kept in the database itself, in pieces (used on PostgreSQL,
        // so that servers on several machines share nothing but the database).
        {
            u"CREATE TABLE file_chunks ("
            " path TEXT NOT NULL,"
            " position INTEGER NOT NULL,"
            " data BLOB NOT NULL,"
            " PRIMARY KEY (path, position))"_s,
        },
    };
    return steps;
}

ServerUser readUser(const QSqlQuery& q) {
    ServerUser u;
    u.id = q.value(0).toLongLong();
    u.name = q.value(1).toString();
    u.isAdmin = q.value(2).toLongLong() != 0;
    u.active = q.value(3).toLongLong() != 0;
    return u;
}

ServerClient readClient(const QSqlQuery& q) {
    ServerClient c;
    c.id = q.value(0).toLongLong();
    c.name = q.value(1).toString();
    c.color = q.value(2).toString();
    c.archived = q.value(3).toLongLong() != 0;
    return c;
}

ServerRelease readRelease(const QSqlQuery& q) {
    ServerRelease r;
    r.version = q.value(0).toString();
    r.fileName = q.value(1).toString();
    if (!q.value(2).isNull())
        r.notes = q.value(2).toString();
    r.pubDate = q.value(3).toLongLong();
    return r;
}

// Every table with its columns, each after those it refers to; the first
// column is the key.
const QList<std::pair<QString, QStringList>>& tables() {
    static const QList<std::pair<QString, QStringList>> list = {
        {u"users"_s,
         {u"id"_s, u"name"_s, u"name_key"_s, u"is_admin"_s, u"active"_s, u"key_hash"_s,
          u"created_at"_s}},
        {u"clients"_s,
         {u"id"_s, u"name"_s, u"name_key"_s, u"color"_s, u"archived"_s, u"created_by"_s,
          u"updated_at"_s}},
        {u"entries"_s,
         {u"id"_s, u"user_id"_s, u"ref"_s, u"client_id"_s, u"description"_s, u"started_at"_s,
          u"ended_at"_s, u"updated_at"_s}},
        {u"screenshots"_s, {u"id"_s, u"entry_id"_s, u"position"_s, u"path"_s}},
        {u"deleted_entries"_s, {u"entry_id"_s, u"user_id"_s, u"ref"_s, u"deleted_at"_s}},
        {u"releases"_s, {u"id"_s, u"version"_s, u"file_name"_s, u"notes"_s, u"pub_date"_s}},
        {u"file_chunks"_s, {u"path"_s, u"position"_s, u"data"_s}},
    };
    return list;
}

const QString userColumns = u"id, name, is_admin, active"_s;
const QString clientColumns = u"id, name, color, archived"_s;

} // namespace

Storage::Storage() = default;

Storage::~Storage() = default;

int Storage::schemaVersion() {
    return int(migrations().size());
}

bool Storage::open(const DatabaseUrl& url, QString* error) {
    return m_sql.open(url, error) && migrated(error);
}

bool Storage::connect(const DatabaseUrl& url, QString* error) {
    return m_sql.open(url, error);
}

void Storage::close() {
    m_sql.close();
}

bool Storage::reconnect() {
    // Connected again as by open(), the schema's check and migration included.
    return m_sql.reconnect() && migrated(nullptr);
}

bool Storage::isReachable() {
    return m_sql.answers() || reconnect();
}

void Storage::begin() {
    m_sql.begin();
}

void Storage::commit() {
    m_sql.commit();
}

void Storage::rollback() {
    m_sql.rollback();
}

std::optional<double> Storage::oldestOtherTransactionAge() {
    return m_sql.oldestOtherTransactionAge();
}

bool Storage::migrated(QString* error) {
    try {
        migrate();
    } catch (const StorageError& e) {
        if (error)
            *error = e.message();
        m_sql.disconnect();
        return false;
    }
    return true;
}

void Storage::migrate() {
    // One transaction, so that servers starting together on one database
    // bring the schema up to date once.
    begin();
    try {
        for (const QString& sql : m_sql.engine().migrationLock())
            m_sql.execute(sql);
        m_sql.execute(m_sql.engine().schema(
            u"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"_s));
        QSqlQuery& q = m_sql.run(u"SELECT version FROM schema_version"_s, {});
        int current = 0;
        bool hasRow = false;
        if (q.next()) {
            current = q.value(0).toInt();
            hasRow = true;
        }
        q.finish();
        if (current > schemaVersion())
            throw StorageError(
                u"The database was written by a newer zevra-server (schema %1, this one knows %2)"_s
                    .arg(current)
                    .arg(schemaVersion()));
        for (int version = current + 1; version <= schemaVersion(); ++version) {
            for (const QString& sql : migrations().at(version - 1))
                m_sql.execute(m_sql.engine().schema(sql));
        }
        if (current < schemaVersion())
            m_sql.run(hasRow ? u"UPDATE schema_version SET version = ?"_s
                             : u"INSERT INTO schema_version (version) VALUES (?)"_s,
                      {schemaVersion()});
        commit();
    } catch (...) {
        rollback();
        throw;
    }
}

bool Storage::isEmpty() {
    for (const auto& [table, columns] : tables()) {
        if (table == "screenshots"_L1)
            continue; // pictures belong to entries
        QSqlQuery q = m_sql.runOnce(u"SELECT 1 FROM "_s + table + u" LIMIT 1"_s, {});
        if (q.next())
            return false;
    }
    return true;
}

QList<std::pair<QString, qint64>> Storage::copyTo(Storage& target) {
    // Rows go over in statements of many rows each: one statement per row
    // would make a database across the network slow to fill.
    constexpr qsizetype rowsPerStatement = 200;
    QList<std::pair<QString, qint64>> counts;
    begin(); // one consistent picture of the source
    target.begin();
    try {
        qint64 lastEntryId = 0;
        for (const auto& [table, tableColumns] : tables()) {
            // A plain reference: clang before 16 cannot capture a structured binding.
            const auto& columns = tableColumns;
            // Files go a piece (up to a megabyte) at a time.
            const bool files = table == "file_chunks"_L1;
            const qsizetype perStatement = files ? 1 : rowsPerStatement;
            const QString row = u'(' + QStringList(columns.size(), u"?"_s).join(u", "_s) + u')';
            const QString insertHead =
                u"INSERT INTO "_s + table + u" ("_s + columns.join(u", "_s) + u") VALUES "_s;
            QSqlQuery q = m_sql.runOnce(u"SELECT "_s + columns.join(u", "_s) + u" FROM "_s + table +
                                            u" ORDER BY "_s + columns.first(),
                                        {});
            qint64 count = 0;
            QVariantList values;
            const auto flush = [&] {
                const qsizetype rows = values.size() / columns.size();
                if (rows == 0)
                    return;
                const QString sql = insertHead + QStringList(rows, row).join(u", "_s);
                if (rows == perStatement)
                    target.m_sql.run(sql, values);
                else
                    target.m_sql.runOnce(sql, values);
                values.clear();
            };
            qint64 highest = 0;
            while (q.next()) {
                for (qsizetype i = 0; i < columns.size(); ++i)
                    values.append(q.value(int(i)));
                highest = std::max(highest, q.value(0).toLongLong());
                if (++count % perStatement == 0)
                    flush();
            }
            flush();
            counts.append({table, count});
            if (files)
                continue;
            if (table == "deleted_entries"_L1) {
                lastEntryId = std::max(lastEntryId, highest);
                continue; // keyed by entry ids, no counter of its own
            }
            // Ids are never handed out twice, deleted ones included.
            QSqlQuery& last = m_sql.run(m_sql.engine().lastIdQuery(), {table});
            if (last.next())
                highest = std::max(highest, last.value(0).toLongLong());
            last.finish();
            if (table == "entries"_L1)
                lastEntryId = highest;
            else
                for (const auto& [sql, bound] : target.m_sql.engine().setNextId(table, highest + 1))
                    target.m_sql.runOnce(sql, bound);
        }
        for (const auto& [sql, bound] :
             target.m_sql.engine().setNextId(u"entries"_s, lastEntryId + 1))
            target.m_sql.runOnce(sql, bound);
        target.commit();
    } catch (...) {
        target.rollback();
        rollback();
        throw;
    }
    rollback(); // only read
    return counts;
}

bool Storage::backupTo(const QString& path) {
    const std::optional<QString> sql = m_sql.engine().backupStatement();
    if (!sql)
        return false;
    m_sql.runOnce(*sql, {path});
    return true;
}

// --- people ---

std::optional<ServerUser> Storage::userByKeyHash(const QByteArray& keyHash) {
    QSqlQuery& q = m_sql.run(u"SELECT "_s + userColumns + u" FROM users WHERE key_hash = ?"_s,
                             {QString::fromLatin1(keyHash)});
    return SqlRows::first(q, readUser);
}

std::optional<ServerUser> Storage::userByName(const QString& name) {
    QSqlQuery& q = m_sql.run(u"SELECT "_s + userColumns + u" FROM users WHERE name_key = ?"_s,
                             {ServerClient::nameKey(name)});
    return SqlRows::first(q, readUser);
}

QList<ServerUser> Storage::users() {
    QSqlQuery& q =
        m_sql.run(u"SELECT "_s + userColumns + u" FROM users ORDER BY name_key, id"_s, {});
    return SqlRows::all(q, readUser);
}

ServerUser Storage::createUser(const QString& name, bool isAdmin, const QByteArray& keyHash,
                               qint64 now) {
    ServerUser user;
    user.id = m_sql.insert(
        u"INSERT INTO users (name, name_key, is_admin, active, key_hash, "
        "created_at) VALUES (?, ?, ?, 1, ?, ?)"_s,
        {name, ServerClient::nameKey(name), isAdmin ? 1 : 0, QString::fromLatin1(keyHash), now});
    user.name = name;
    user.isAdmin = isAdmin;
    user.active = true;
    return user;
}

bool Storage::setUserActive(qint64 id, bool active) {
    QSqlQuery& q = m_sql.run(u"UPDATE users SET active = ? WHERE id = ?"_s, {active ? 1 : 0, id});
    return q.numRowsAffected() > 0;
}

std::optional<ServerUser> Storage::user(qint64 id) {
    QSqlQuery& q = m_sql.run(u"SELECT "_s + userColumns + u" FROM users WHERE id = ?"_s, {id});
    return SqlRows::first(q, readUser);
}

bool Storage::setUserKeyHash(qint64 id, const QByteArray& keyHash) {
    QSqlQuery& q = m_sql.run(u"UPDATE users SET key_hash = ? WHERE id = ?"_s,
                             {QString::fromLatin1(keyHash), id});
    return q.numRowsAffected() > 0;
}

// --- clients ---

QList<ServerClient> Storage::clients() {
    QSqlQuery& q =
        m_sql.run(u"SELECT "_s + clientColumns + u" FROM clients ORDER BY name_key, id"_s, {});
    return SqlRows::all(q, readClient);
}

std::optional<ServerClient> Storage::client(qint64 id) {
    QSqlQuery& q = m_sql.run(u"SELECT "_s + clientColumns + u" FROM clients WHERE id = ?"_s, {id});
    return SqlRows::first(q, readClient);
}

std::optional<ServerClient> Storage::clientByName(const QString& name) {
    QSqlQuery& q = m_sql.run(u"SELECT "_s + clientColumns + u" FROM clients WHERE name_key = ?"_s,
                             {ServerClient::nameKey(name)});
    return SqlRows::first(q, readClient);
}

ServerClient Storage::createClient(const QString& name, const QString& color, qint64 createdBy,
                                   qint64 now) {
    ServerClient c;
    c.id = m_sql.insert(u"INSERT INTO clients (name, name_key, color, archived, created_by, "
                        "updated_at) VALUES (?, ?, ?, 0, ?, ?)"_s,
                        {name, ServerClient::nameKey(name), color, createdBy, now});
    c.name = name;
    c.color = color;
    return c;
}

ServerClient Storage::clientNamed(const QString& name, const QString& color, qint64 createdBy,
                                  qint64 now) {
    if (std::optional<ServerClient> existing = clientByName(name))
        return *existing;
    QSqlQuery& q =
        m_sql.run(u"INSERT INTO clients (name, name_key, color, archived, created_by, "
                  "updated_at) VALUES (?, ?, ?, 0, ?, ?) ON CONFLICT (name_key) DO NOTHING "
                  "RETURNING "_s +
                      clientColumns,
                  {name, ServerClient::nameKey(name), color, createdBy, now});
    if (std::optional<ServerClient> made = SqlRows::first(q, readClient))
        return *made;
    // Made by another transaction, which has committed by now.
    if (std::optional<ServerClient> existing = clientByName(name))
        return *existing;
    throw StorageError(u"Database failure (client %1): neither made nor found"_s.arg(name));
}

bool Storage::updateClient(const ServerClient& client, qint64 now) {
    QSqlQuery& q = m_sql.run(u"UPDATE clients SET name = ?, name_key = ?, color = ?, archived = ?, "
                             "updated_at = ? WHERE id = ?"_s,
                             {client.name, ServerClient::nameKey(client.name), client.color,
                              client.archived ? 1 : 0, now, client.id});
    return q.numRowsAffected() > 0;
}

// --- releases ---

QList<ServerRelease> Storage::releases() {
    QSqlQuery& q = m_sql.run(u"SELECT version, file_name, notes, pub_date FROM releases"_s, {});
    return SqlRows::all(q, readRelease);
}

std::optional<ServerRelease> Storage::release(const QString& version) {
    QSqlQuery& q = m_sql.run(
        u"SELECT version, file_name, notes, pub_date FROM releases WHERE version = ?"_s, {version});
    return SqlRows::first(q, readRelease);
}

void Storage::insertRelease(const ServerRelease& release) {
    m_sql.run(u"INSERT INTO releases (version, file_name, notes, pub_date) VALUES (?, ?, ?, ?)"_s,
              {release.version, release.fileName,
               release.notes ? QVariant(*release.notes) : QVariant(QMetaType::fromType<QString>()),
               release.pubDate});
}

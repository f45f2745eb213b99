#include "Storage.h"

#include "SqlRows.h"
#include "StorageError.h"

#include <QSqlError>
#include <QStringList>
#include <QUuid>

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

// The drivers store a null QString as NULL; a text without content is stored
// as an empty text instead, so that "no description" never breaks a NOT NULL
// column. A deliberate NULL is a QVariant without a value.
QVariant bindable(const QVariant& value) {
    if (value.typeId() == QMetaType::QString && !value.isNull() && value.toString().isNull())
        return QString::fromLatin1("");
    return value;
}

const QString userColumns = u"id, name, is_admin, active"_s;
const QString clientColumns = u"id, name, color, archived"_s;

} // namespace

Storage::Storage()
    : m_connection(u"zevra-server-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

Storage::~Storage() {
    close();
}

int Storage::schemaVersion() {
    return int(migrations().size());
}

bool Storage::open(const DatabaseUrl& url, QString* error) {
    close();
    m_engine = std::make_unique<SqlEngine>(url.engine);
    m_url = url;
    if (url.engine == DatabaseUrl::Engine::SQLite)
        m_writeTurn.emplace(url.path);
    m_db = m_engine->connection(url, m_connection);
    if (!m_db.open()) {
        if (error)
            *error = m_db.lastError().text();
        disconnect();
        return false;
    }
    try {
        for (const QString& sql : m_engine->sessionSetup())
            execute(sql);
        migrate();
    } catch (const StorageError& e) {
        if (error)
            *error = e.message();
        disconnect();
        return false;
    }
    return true;
}

void Storage::close() {
    disconnect();
    m_url.reset();
}

void Storage::disconnect() {
    releaseTurn();
    m_statements.clear();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool Storage::reconnect() {
    // The address stays after a failed attempt, so that a database away for
    // a while is found again once it is back.
    if (!m_url)
        return false;
    if (answers())
        return false; // still connected: the failure was something else
    const DatabaseUrl url = *m_url;
    return open(url, nullptr);
}

bool Storage::answers() {
    if (!m_db.isValid())
        return false;
    QSqlQuery probe(m_db);
    return probe.exec(u"SELECT 1"_s);
}

bool Storage::isReachable() {
    return answers() || reconnect();
}

void Storage::migrate() {
    // One transaction, so that servers starting together on one database
    // bring the schema up to date once.
    begin();
    try {
        for (const QString& sql : m_engine->migrationLock())
            execute(sql);
        execute(m_engine->schema(
            u"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"_s));
        QSqlQuery& q = run(u"SELECT version FROM schema_version"_s, {});
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
                execute(m_engine->schema(sql));
        }
        if (current < schemaVersion())
            run(hasRow ? u"UPDATE schema_version SET version = ?"_s
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
        QSqlQuery q = runOnce(u"SELECT 1 FROM "_s + table + u" LIMIT 1"_s, {});
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
            QSqlQuery q = runOnce(u"SELECT "_s + columns.join(u", "_s) + u" FROM "_s + table +
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
                    target.run(sql, values);
                else
                    target.runOnce(sql, values);
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
            QSqlQuery& last = run(m_engine->lastIdQuery(), {table});
            if (last.next())
                highest = std::max(highest, last.value(0).toLongLong());
            last.finish();
            if (table == "entries"_L1)
                lastEntryId = highest;
            else
                for (const auto& [sql, bound] : target.m_engine->setNextId(table, highest + 1))
                    target.runOnce(sql, bound);
        }
        for (const auto& [sql, bound] : target.m_engine->setNextId(u"entries"_s, lastEntryId + 1))
            target.runOnce(sql, bound);
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
    const std::optional<QString> sql = m_engine->backupStatement();
    if (!sql)
        return false;
    runOnce(*sql, {path});
    return true;
}

QSqlQuery& Storage::prepared(const QString& sql) {
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        auto query = std::make_shared<QSqlQuery>(m_db);
        query->setForwardOnly(true);
        if (!query->prepare(sql))
            fail(*query, sql);
        it = m_statements.insert(sql, query);
    }
    return **it;
}

QSqlQuery& Storage::run(const QString& sql, const QVariantList& values) {
    QSqlQuery& q = prepared(sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        q.bindValue(int(i), bindable(values.at(i)));
    if (!q.exec())
        fail(q, sql);
    return q;
}

QSqlQuery Storage::runOnce(const QString& sql, const QVariantList& values) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        fail(q, sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        q.bindValue(int(i), bindable(values.at(i)));
    if (!q.exec())
        fail(q, sql);
    return q;
}

void Storage::execute(const QString& sql) {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        fail(q, sql);
}

qint64 Storage::insert(const QString& sql, const QVariantList& values) {
    // RETURNING works on both engines, unlike the drivers' last insert ids.
    QSqlQuery& q = run(sql + u" RETURNING id"_s, values);
    const qint64 id = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    if (id == 0)
        throw StorageError(u"Database failure (%1): no id"_s.arg(sql.left(60)));
    return id;
}

void Storage::fail(const QSqlQuery& query, const QString& what) const {
    throw StorageError(u"Database failure (%1): %2"_s.arg(what.left(60), query.lastError().text()),
                       m_engine->isConflict(query.lastError()));
}

void Storage::begin() {
    if (m_writeTurn)
        m_writeTurn->take();
    if (!m_db.transaction()) {
        releaseTurn();
        throw StorageError(u"Database failure (begin): "_s + m_db.lastError().text(),
                           m_engine->isConflict(m_db.lastError()));
    }
}

void Storage::commit() {
    const bool done = m_db.commit();
    releaseTurn();
    if (!done)
        throw StorageError(u"Database failure (commit): "_s + m_db.lastError().text(),
                           m_engine->isConflict(m_db.lastError()));
}

void Storage::rollback() {
    m_db.rollback();
    releaseTurn();
}

void Storage::releaseTurn() {
    if (m_writeTurn)
        m_writeTurn->release();
}

std::optional<double> Storage::oldestOtherTransactionAge() {
    if (m_writeTurn)
        return m_writeTurn->oldestAge();
    const std::optional<QString> sql = m_engine->oldestOtherTransactionQuery();
    if (!sql)
        return std::nullopt;
    QSqlQuery& q = run(*sql, {});
    std::optional<double> age;
    if (q.next() && !q.value(0).isNull())
        age = std::max(0.0, q.value(0).toDouble());
    q.finish();
    return age;
}

// --- people ---

std::optional<ServerUser> Storage::userByKeyHash(const QByteArray& keyHash) {
    QSqlQuery& q = run(u"SELECT "_s + userColumns + u" FROM users WHERE key_hash = ?"_s,
                       {QString::fromLatin1(keyHash)});
    return SqlRows::first(q, readUser);
}

std::optional<ServerUser> Storage::userByName(const QString& name) {
    QSqlQuery& q = run(u"SELECT "_s + userColumns + u" FROM users WHERE name_key = ?"_s,
                       {ServerClient::nameKey(name)});
    return SqlRows::first(q, readUser);
}

QList<ServerUser> Storage::users() {
    QSqlQuery& q = run(u"SELECT "_s + userColumns + u" FROM users ORDER BY name_key, id"_s, {});
    return SqlRows::all(q, readUser);
}

ServerUser Storage::createUser(const QString& name, bool isAdmin, const QByteArray& keyHash,
                               qint64 now) {
    ServerUser user;
    user.id = insert(
        u"INSERT INTO users (name, name_key, is_admin, active, key_hash, "
        "created_at) VALUES (?, ?, ?, 1, ?, ?)"_s,
        {name, ServerClient::nameKey(name), isAdmin ? 1 : 0, QString::fromLatin1(keyHash), now});
    user.name = name;
    user.isAdmin = isAdmin;
    user.active = true;
    return user;
}

bool Storage::setUserActive(qint64 id, bool active) {
    QSqlQuery& q = run(u"UPDATE users SET active = ? WHERE id = ?"_s, {active ? 1 : 0, id});
    return q.numRowsAffected() > 0;
}

std::optional<ServerUser> Storage::user(qint64 id) {
    QSqlQuery& q = run(u"SELECT "_s + userColumns + u" FROM users WHERE id = ?"_s, {id});
    return SqlRows::first(q, readUser);
}

bool Storage::setUserKeyHash(qint64 id, const QByteArray& keyHash) {
    QSqlQuery& q =
        run(u"UPDATE users SET key_hash = ? WHERE id = ?"_s, {QString::fromLatin1(keyHash), id});
    return q.numRowsAffected() > 0;
}

// --- clients ---

QList<ServerClient> Storage::clients() {
    QSqlQuery& q = run(u"SELECT "_s + clientColumns + u" FROM clients ORDER BY name_key, id"_s, {});
    return SqlRows::all(q, readClient);
}

std::optional<ServerClient> Storage::client(qint64 id) {
    QSqlQuery& q = run(u"SELECT "_s + clientColumns + u" FROM clients WHERE id = ?"_s, {id});
    return SqlRows::first(q, readClient);
}

std::optional<ServerClient> Storage::clientByName(const QString& name) {
    QSqlQuery& q = run(u"SELECT "_s + clientColumns + u" FROM clients WHERE name_key = ?"_s,
                       {ServerClient::nameKey(name)});
    return SqlRows::first(q, readClient);
}

ServerClient Storage::createClient(const QString& name, const QString& color, qint64 createdBy,
                                   qint64 now) {
    ServerClient c;
    c.id = insert(u"INSERT INTO clients (name, name_key, color, archived, created_by, "
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
    QSqlQuery& q = run(u"INSERT INTO clients (name, name_key, color, archived, created_by, "
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
    QSqlQuery& q = run(u"UPDATE clients SET name = ?, name_key = ?, color = ?, archived = ?, "
                       "updated_at = ? WHERE id = ?"_s,
                       {client.name, ServerClient::nameKey(client.name), client.color,
                        client.archived ? 1 : 0, now, client.id});
    return q.numRowsAffected() > 0;
}

// --- releases ---

QList<ServerRelease> Storage::releases() {
    QSqlQuery& q = run(u"SELECT version, file_name, notes, pub_date FROM releases"_s, {});
    return SqlRows::all(q, readRelease);
}

std::optional<ServerRelease> Storage::release(const QString& version) {
    QSqlQuery& q = run(
        u"SELECT version, file_name, notes, pub_date FROM releases WHERE version = ?"_s, {version});
    return SqlRows::first(q, readRelease);
}

void Storage::insertRelease(const ServerRelease& release) {
    run(u"INSERT INTO releases (version, file_name, notes, pub_date) VALUES (?, ?, ?, ?)"_s,
        {release.version, release.fileName,
         release.notes ? QVariant(*release.notes) : QVariant(QMetaType::fromType<QString>()),
         release.pubDate});
}

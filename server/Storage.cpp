#include "Storage.h"

#include "SqlRows.h"
#include "StorageError.h"

#include <QSqlError>
#include <QUuid>

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

bool Storage::open(const QString& fileName, QString* error) {
    close();
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(fileName);
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
    if (!m_db.open()) {
        if (error)
            *error = m_db.lastError().text();
        close();
        return false;
    }
    try {
        execute(u"PRAGMA foreign_keys = ON"_s);
        execute(u"PRAGMA journal_mode = WAL"_s);
        execute(u"PRAGMA synchronous = NORMAL"_s);
        // Reports read whole years of entries: a larger page cache and mapped
        // reads keep that off the read() path.
        execute(u"PRAGMA cache_size = -65536"_s);
        execute(u"PRAGMA mmap_size = 268435456"_s);
        migrate();
    } catch (const StorageError& e) {
        if (error)
            *error = e.message();
        close();
        return false;
    }
    return true;
}

void Storage::close() {
    m_statements.clear();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void Storage::migrate() {
    execute(u"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"_s);
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
        begin();
        try {
            for (const QString& sql : migrations().at(version - 1))
                execute(sql);
            if (hasRow) {
                run(u"UPDATE schema_version SET version = ?"_s, {version});
            } else {
                run(u"INSERT INTO schema_version (version) VALUES (?)"_s, {version});
                hasRow = true;
            }
            commit();
        } catch (...) {
            rollback();
            throw;
        }
    }
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
        q.bindValue(int(i), values.at(i));
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
        q.bindValue(int(i), values.at(i));
    if (!q.exec())
        fail(q, sql);
    return q;
}

void Storage::execute(const QString& sql) {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        fail(q, sql);
}

void Storage::fail(const QSqlQuery& query, const QString& what) const {
    throw StorageError(u"Database failure (%1): %2"_s.arg(what.left(60), query.lastError().text()));
}

void Storage::begin() {
    if (!m_db.transaction())
        throw StorageError(u"Database failure (begin): "_s + m_db.lastError().text());
}

void Storage::commit() {
    if (!m_db.commit())
        throw StorageError(u"Database failure (commit): "_s + m_db.lastError().text());
}

void Storage::rollback() {
    m_db.rollback();
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
    QSqlQuery& q = run(
        u"INSERT INTO users (name, name_key, is_admin, active, key_hash, "
        "created_at) VALUES (?, ?, ?, 1, ?, ?)"_s,
        {name, ServerClient::nameKey(name), isAdmin ? 1 : 0, QString::fromLatin1(keyHash), now});
    ServerUser user;
    user.id = q.lastInsertId().toLongLong();
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
    QSqlQuery& q = run(u"INSERT INTO clients (name, name_key, color, archived, created_by, "
                       "updated_at) VALUES (?, ?, ?, 0, ?, ?)"_s,
                       {name, ServerClient::nameKey(name), color, createdBy, now});
    ServerClient c;
    c.id = q.lastInsertId().toLongLong();
    c.name = name;
    c.color = color;
    return c;
}

bool Storage::setClientColor(qint64 id, const QString& color, qint64 now) {
    QSqlQuery& q =
        run(u"UPDATE clients SET color = ?, updated_at = ? WHERE id = ?"_s, {color, now, id});
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

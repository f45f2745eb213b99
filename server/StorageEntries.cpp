// Storage: entries, their pictures, deletions, tasks and report rows.
#include "Storage.h"

#include "ServerTime.h"
#include "SqlCursor.h"
#include "SqlRows.h"
#include "StorageError.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>

using namespace Qt::StringLiterals;

namespace {

QVariant orNull(const std::optional<qint64>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<qlonglong>());
}

std::optional<qint64> optionalInteger(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toLongLong();
}

const QString entryColumns =
    u"id, user_id, ref, client_id, description, started_at, ended_at, updated_at"_s;

ServerEntry readEntry(const QSqlQuery& q) {
    ServerEntry e;
    e.id = q.value(0).toLongLong();
    e.userId = q.value(1).toLongLong();
    e.ref = q.value(2).toString();
    e.clientId = optionalInteger(q.value(3));
    e.description = q.value(4).toString();
    e.startedAt = q.value(5).toLongLong();
    e.endedAt = optionalInteger(q.value(6));
    e.updatedAt = q.value(7).toLongLong();
    return e;
}

DeletedEntry readDeleted(const QSqlQuery& q) {
    DeletedEntry d;
    d.entryId = q.value(0).toLongLong();
    d.userId = q.value(1).toLongLong();
    d.ref = q.value(2).toString();
    d.deletedAt = q.value(3).toLongLong();
    return d;
}

// "?, ?, ?" for `count` bound values.
QString placeholders(qsizetype count) {
    QString s;
    s.reserve(count * 3);
    for (qsizetype i = 0; i < count; ++i)
        s += i == 0 ? u"?"_s : u", ?"_s;
    return s;
}

} // namespace

std::optional<ServerEntry> Storage::entry(qint64 id) {
    QSqlQuery& q = m_sql.run(u"SELECT "_s + entryColumns + u" FROM entries WHERE id = ?"_s, {id});
    std::optional<ServerEntry> e = SqlRows::first(q, readEntry);
    if (e)
        e->screenshots = screenshots(e->id);
    return e;
}

std::optional<ServerEntry> Storage::entryByRef(qint64 userId, const QString& ref) {
    QSqlQuery& q =
        m_sql.run(u"SELECT "_s + entryColumns + u" FROM entries WHERE user_id = ? AND ref = ?"_s,
                  {userId, ref});
    std::optional<ServerEntry> e = SqlRows::first(q, readEntry);
    if (e)
        e->screenshots = screenshots(e->id);
    return e;
}

qint64 Storage::insertEntry(const ServerEntry& e) {
    return m_sql.insert(u"INSERT INTO entries (user_id, ref, client_id, description, started_at, "
                        "ended_at, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?)"_s,
                        {e.userId, e.ref, orNull(e.clientId), e.description, e.startedAt,
                         orNull(e.endedAt), e.updatedAt});
}

QList<qint64> Storage::insertEntries(const QList<ServerEntry>& entries) {
    // Statements of at most this many rows, each kept for reuse: a round trip
    // to the database per entry made large syncs slow on PostgreSQL.
    constexpr qsizetype rowsPerStatement = 50;
    QList<qint64> ids;
    ids.reserve(entries.size());
    for (qsizetype from = 0; from < entries.size(); from += rowsPerStatement) {
        const QList<ServerEntry> part = entries.mid(from, rowsPerStatement);
        QVariantList values;
        QHash<QString, qsizetype> byRef;
        for (const ServerEntry& e : part) {
            byRef.insert(e.ref, ids.size() + byRef.size());
            values +=
                {e.userId,          e.ref,      orNull(e.clientId), e.description, e.startedAt,
                 orNull(e.endedAt), e.updatedAt};
        }
        if (byRef.size() != part.size())
            throw StorageError(u"Two new entries with one ref"_s);
        const QString row = u"(?, ?, ?, ?, ?, ?, ?)"_s;
        QSqlQuery& q =
            m_sql.run(u"INSERT INTO entries (user_id, ref, client_id, description, started_at, "
                      "ended_at, updated_at) VALUES "_s +
                          QStringList(part.size(), row).join(u", "_s) + u" RETURNING id, ref"_s,
                      values);
        ids.resize(ids.size() + part.size());
        // The rows come back in no promised order: each is placed by its ref.
        qsizetype returned = 0;
        while (q.next()) {
            const auto at = byRef.constFind(q.value(1).toString());
            if (at == byRef.constEnd())
                break;
            ids[*at] = q.value(0).toLongLong();
            ++returned;
        }
        q.finish();
        if (returned != part.size())
            throw StorageError(u"Database failure (insert entries): ids missing"_s);
    }
    return ids;
}

QSet<QString> Storage::knownRefs(qint64 userId, const QStringList& refs) {
    // The refs go as one JSON text: a list of bound values took the database
    // longer to read than to look the refs up.
    const QString json = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(refs)).toJson(QJsonDocument::Compact));
    const QString in = u" AND ref IN ("_s + m_sql.engine().textsOfJsonArray() + u')';
    QSqlQuery& q =
        m_sql.run(u"SELECT ref FROM entries WHERE user_id = ?"_s + in +
                      u" UNION ALL SELECT ref FROM deleted_entries WHERE user_id = ?"_s + in,
                  {userId, json, userId, json});
    QSet<QString> known;
    while (q.next())
        known.insert(q.value(0).toString());
    q.finish();
    return known;
}

void Storage::updateEntry(const ServerEntry& e) {
    m_sql.run(
        u"UPDATE entries SET client_id = ?, description = ?, started_at = ?, ended_at = ?, "
        "updated_at = ? WHERE id = ?"_s,
        {orNull(e.clientId), e.description, e.startedAt, orNull(e.endedAt), e.updatedAt, e.id});
}

void Storage::deleteEntry(const ServerEntry& e, qint64 now) {
    m_sql.run(u"DELETE FROM screenshots WHERE entry_id = ?"_s, {e.id});
    m_sql.run(u"DELETE FROM entries WHERE id = ?"_s, {e.id});
    m_sql.run(
        u"INSERT INTO deleted_entries (entry_id, user_id, ref, deleted_at) VALUES (?, ?, ?, ?)"_s,
        {e.id, e.userId, e.ref, now});
}

std::optional<DeletedEntry> Storage::deletedEntry(qint64 userId, qint64 entryId) {
    QSqlQuery& q = m_sql.run(u"SELECT entry_id, user_id, ref, deleted_at FROM deleted_entries "
                             "WHERE user_id = ? AND entry_id = ?"_s,
                             {userId, entryId});
    return SqlRows::first(q, readDeleted);
}

std::optional<DeletedEntry> Storage::deletedEntryByRef(qint64 userId, const QString& ref) {
    QSqlQuery& q = m_sql.run(u"SELECT entry_id, user_id, ref, deleted_at FROM deleted_entries "
                             "WHERE user_id = ? AND ref = ? ORDER BY deleted_at DESC LIMIT 1"_s,
                             {userId, ref});
    return SqlRows::first(q, readDeleted);
}

QStringList Storage::screenshots(qint64 entryId) {
    QSqlQuery& q = m_sql.run(u"SELECT path FROM screenshots WHERE entry_id = ? ORDER BY position"_s,
                             {entryId});
    QStringList out;
    while (q.next())
        out.append(q.value(0).toString());
    q.finish();
    return out;
}

void Storage::setScreenshots(qint64 entryId, const QStringList& paths) {
    m_sql.run(u"DELETE FROM screenshots WHERE entry_id = ?"_s, {entryId});
    for (qsizetype i = 0; i < paths.size(); ++i)
        m_sql.run(u"INSERT INTO screenshots (entry_id, position, path) VALUES (?, ?, ?)"_s,
                  {entryId, qint64(i), paths.at(i)});
}

Storage::Changes Storage::changesSince(qint64 userId, std::optional<qint64> since) {
    // One statement: a row per picture of an entry (or one without), then a
    // row per deletion.
    const qint64 from = since.value_or(std::numeric_limits<qint64>::min());
    QSqlQuery& q =
        m_sql.run(u"SELECT e.id, e.user_id, e.ref, e.client_id, e.description, e.started_at,"
                  " e.ended_at, e.updated_at, s.path, s.position, 0 FROM entries e"
                  " LEFT JOIN screenshots s ON s.entry_id = e.id"
                  " WHERE e.user_id = ? AND e.updated_at >= ?"
                  " UNION ALL SELECT entry_id, NULL, NULL, NULL, NULL, NULL, NULL, deleted_at,"
                  " NULL, NULL, 1 FROM deleted_entries WHERE user_id = ? AND deleted_at >= ?"
                  " ORDER BY 11, 8, 1, 10"_s,
                  {userId, from, userId, from});
    Changes out;
    while (q.next()) {
        if (q.value(10).toInt() != 0) {
            out.deleted.append(q.value(0).toLongLong());
            continue;
        }
        if (out.entries.isEmpty() || out.entries.last().id != q.value(0).toLongLong())
            out.entries.append(readEntry(q));
        if (!q.value(8).isNull())
            out.entries.last().screenshots.append(q.value(8).toString());
    }
    q.finish();
    return out;
}

QList<TaskSuggestion> Storage::tasks(qint64 userId, int limit) {
    // Grouped first and joined with the clients after: the person's tasks
    // are far fewer than their entries.
    QSqlQuery& q =
        m_sql.run(u"SELECT t.description, t.client_id, t.uses, t.last_used, c.name, c.color"
                  " FROM (SELECT description, client_id, COUNT(*) AS uses,"
                  " MAX(started_at) AS last_used FROM entries"
                  " WHERE user_id = ? AND description <> ''"
                  " GROUP BY description, client_id) t"
                  " LEFT JOIN clients c ON c.id = t.client_id"
                  " ORDER BY t.uses DESC, t.last_used DESC, t.description"
                  " LIMIT ?"_s,
                  {userId, limit});
    QList<TaskSuggestion> out;
    while (q.next()) {
        TaskSuggestion t;
        t.description = q.value(0).toString();
        t.clientId = optionalInteger(q.value(1));
        t.uses = q.value(2).toLongLong();
        t.lastUsed = ServerTime::iso(q.value(3).toLongLong());
        if (t.clientId) {
            t.clientName = q.value(4).toString();
            t.clientColor = q.value(5).toString();
        }
        out.append(t);
    }
    q.finish();
    return out;
}

void Storage::reportRows(qint64 from, qint64 to, const QList<qint64>& userIds,
                         const QList<qint64>& clientIds,
                         const std::function<void(const ReportRow&)>& visit) {
    QString filter = u" WHERE e.started_at >= ? AND e.started_at < ?"_s;
    QVariantList values{from, to};
    if (!userIds.isEmpty()) {
        filter += u" AND e.user_id IN ("_s + placeholders(userIds.size()) + u')';
        for (qint64 id : userIds)
            values.append(id);
    }
    if (!clientIds.isEmpty()) {
        filter += u" AND e.client_id IN ("_s + placeholders(clientIds.size()) + u')';
        for (qint64 id : clientIds)
            values.append(id);
    }

    // One row per picture (or one without), so an entry's rows come
    // together; an entry is handed on once the next one begins.
    SqlCursor q(m_sql.engine(), m_sql.database(),
                u"SELECT e.id, e.user_id, e.client_id, e.description, e.started_at,"
                " e.ended_at, s.path FROM entries e"
                " LEFT JOIN screenshots s ON s.entry_id = e.id"_s +
                    filter + u" ORDER BY e.started_at, e.id, s.position"_s,
                values);
    ReportRow r;
    std::string description;
    bool pending = false;
    while (q.next()) {
        const qint64 id = q.integer(0);
        if (!pending || id != r.id) {
            if (pending)
                visit(r);
            pending = true;
            r.id = id;
            r.userId = q.integer(1);
            r.clientId = q.optionalInteger(2);
            // Kept past the next row; the buffer's room is reused.
            const QByteArrayView text = q.text(3);
            description.assign(text.data(), size_t(text.size()));
            r.description = QByteArrayView(description.data(), text.size());
            r.startedAt = q.integer(4);
            r.endedAt = q.optionalInteger(5);
            r.screenshots.clear();
        }
        if (!q.isNull(6))
            r.screenshots.append(q.text(6).toByteArray());
    }
    if (pending)
        visit(r);
}

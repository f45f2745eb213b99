#include "StoredFiles.h"

#include "Storage.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;

void StoredFiles::put(const QString& path, const QByteArray& bytes) {
    for (qint64 at = 0, position = 0; at < bytes.size(); at += chunkBytes, ++position)
        putChunk(path, position, bytes.mid(at, chunkBytes));
}

void StoredFiles::putChunk(const QString& path, qint64 position, const QByteArray& bytes) {
    m_storage.connection().run(u"INSERT INTO file_chunks (path, position, data) VALUES (?, ?, ?)"_s,
                               {path, position, bytes});
}

std::optional<qint64> StoredFiles::size(const QString& path) {
    QSqlQuery& q = m_storage.connection().run(
        u"SELECT COUNT(*), COALESCE(SUM(length(data)), 0) FROM file_chunks WHERE path = ?"_s,
        {path});
    std::optional<qint64> size;
    if (q.next() && q.value(0).toLongLong() > 0)
        size = q.value(1).toLongLong();
    q.finish();
    return size;
}

QByteArray StoredFiles::chunk(const QString& path, qint64 position) {
    QSqlQuery& q = m_storage.connection().run(
        u"SELECT data FROM file_chunks WHERE path = ? AND position = ?"_s, {path, position});
    const QByteArray data = q.next() ? q.value(0).toByteArray() : QByteArray();
    q.finish();
    return data;
}

void StoredFiles::remove(const QString& path) {
    m_storage.connection().run(u"DELETE FROM file_chunks WHERE path = ?"_s, {path});
}

QSet<QString> StoredFiles::paths() {
    QSqlQuery& q = m_storage.connection().run(u"SELECT DISTINCT path FROM file_chunks"_s, {});
    QSet<QString> paths;
    while (q.next())
        paths.insert(q.value(0).toString());
    q.finish();
    return paths;
}

#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

class Storage;

// Files kept in the database in pieces of chunkBytes (pictures and release
// archives on PostgreSQL), named by the path they are served under. The
// statements run on the storage's connection, within its open transaction if
// there is one.
class StoredFiles {
public:
    static constexpr qsizetype chunkBytes = 1024 * 1024;

    explicit StoredFiles(Storage& storage)
        : m_storage(storage) {}

    void put(const QString& path, const QByteArray& bytes);
    // Writes the piece at `position` (0 for the first).
    void putChunk(const QString& path, qint64 position, const QByteArray& bytes);
    // The file's size, or nothing when there is no such file.
    std::optional<qint64> size(const QString& path);
    // The piece at `position`, empty past the end.
    QByteArray chunk(const QString& path, qint64 position);
    void remove(const QString& path);
    QSet<QString> paths();

private:
    Storage& m_storage;
};

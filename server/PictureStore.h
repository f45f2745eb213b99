#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class Storage;

// Uploaded pictures, named "yyyy/MM/<32 hex digits>.<ext>": files under the
// uploads folder, or with a database to keep them in, rows of that database
// (files left in the folder are still served). Only PNG, JPEG, GIF and WebP
// images are accepted; the extension comes from the bytes, never from the
// sender.
class PictureStore {
public:
    explicit PictureStore(const QString& root, Storage* database = nullptr);

    const QString& root() const { return m_root; }

    // "png", "jpg", "gif" or "webp" for the image's bytes, or nothing.
    static std::optional<QString> detectExtension(const QByteArray& bytes);
    // The content type of a stored picture's extension.
    static QByteArray contentType(const QString& ext);
    // Whether `path` has the exact form of a stored picture's path.
    static bool isStoredPath(const QString& path);
    // The "yyyy/MM/<hex>.<ext>" part of a path or URL a device sent back, or
    // nothing when it holds none.
    static std::optional<QString> reduce(const QString& text);

    // Writes an already checked image under the month of `now` (seconds since
    // the epoch, UTC) and returns its path, or nothing when it cannot be
    // written (`error` tells why).
    std::optional<QString> store(const QByteArray& bytes, const QString& ext, qint64 now,
                                 QString* error);
    // Deletes stored pictures; paths of any other form are ignored.
    void remove(const QStringList& paths);
    // The file of a stored picture's path, or nothing for any other path or a
    // missing file.
    std::optional<QString> fileFor(const QString& path) const;
    // The size of a stored picture kept in the database, or nothing.
    std::optional<qint64> storedSize(const QString& path);
    // Copies the folder's pictures not yet in the database there; gives how
    // many. Running it again copies nothing twice.
    int importFolder();

private:
    QString m_root;
    Storage* m_database;
};

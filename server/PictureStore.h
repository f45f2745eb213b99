#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Uploaded pictures, kept as files under the uploads folder at
// "yyyy/MM/<32 hex digits>.<ext>". Only PNG, JPEG, GIF and WebP images are
// accepted; the extension comes from the bytes, never from the sender.
class PictureStore {
public:
    explicit PictureStore(const QString& root);

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

private:
    QString m_root;
};

#include "PictureStore.h"

#include "ApiKeys.h"
#include "DataFolder.h"
#include "Storage.h"
#include "StorageError.h"
#include "StoredFiles.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

const QRegularExpression& storedPattern() {
    static const QRegularExpression re(
        u"\\A[0-9]{4}/[0-9]{2}/[0-9a-f]{32}\\.(png|jpg|gif|webp)\\z"_s);
    return re;
}

const QRegularExpression& reducePattern() {
    static const QRegularExpression re(u"[0-9]{4}/[0-9]{2}/[0-9a-f]{8,}\\.[a-z0-9]+"_s,
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

} // namespace

std::optional<QString> PictureStore::detectExtension(const QByteArray& bytes) {
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return u"png"_s;
    if (bytes.startsWith("\xff\xd8\xff"))
        return u"jpg"_s;
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return u"gif"_s;
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return u"webp"_s;
    return std::nullopt;
}

QByteArray PictureStore::contentType(const QString& ext) {
    if (ext == "png"_L1)
        return "image/png";
    if (ext == "jpg"_L1)
        return "image/jpeg";
    if (ext == "gif"_L1)
        return "image/gif";
    if (ext == "webp"_L1)
        return "image/webp";
    return "application/octet-stream";
}

bool PictureStore::isStoredPath(const QString& path) {
    return storedPattern().match(path).hasMatch();
}

std::optional<QString> PictureStore::reduce(const QString& text) {
    const QRegularExpressionMatch m = reducePattern().match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(0);
}

PictureStore::PictureStore(const QString& root, Storage* database)
    : m_root(root)
    , m_database(database) {}

std::optional<QString> PictureStore::store(const QByteArray& bytes, const QString& ext, qint64 now,
                                           QString* error) {
    const QDate day = QDateTime::fromSecsSinceEpoch(now, Qt::UTC).date();
    const QString folder = QString::asprintf("%04d/%02d", day.year(), day.month());
    if (m_database) {
        // In the transaction of the request that brought it.
        QString path;
        do
            path = folder + u'/' + ApiKeys::randomHex(16) + u'.' + ext;
        while (StoredFiles(*m_database).size(path));
        StoredFiles(*m_database).put(path, bytes);
        return path;
    }
    QDir root(m_root);
    if (!root.mkpath(folder)) {
        if (error)
            *error = u"cannot create the folder "_s + root.filePath(folder);
        return std::nullopt;
    }
    // A fresh random name; a clash with an existing file is practically
    // impossible but is checked all the same.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const QString path = folder + u'/' + ApiKeys::randomHex(16) + u'.' + ext;
        const QString file = root.filePath(path);
        if (QFileInfo::exists(file))
            continue;
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
            if (error)
                *error = out.errorString();
            return std::nullopt;
        }
        return path;
    }
    if (error)
        *error = u"no free file name"_s;
    return std::nullopt;
}

void PictureStore::remove(const QStringList& paths) {
    for (const QString& path : paths) {
        if (!isStoredPath(path))
            continue;
        QFile::remove(QDir(m_root).filePath(path));
        try {
            if (m_database)
                StoredFiles(*m_database).remove(path);
        } catch (const StorageError& e) {
            qWarning().noquote() << "zevra-server: a removed picture stays stored:" << e.message();
        }
    }
}

std::optional<qint64> PictureStore::storedSize(const QString& path) {
    if (!m_database || !isStoredPath(path))
        return std::nullopt;
    return StoredFiles(*m_database).size(path);
}

int PictureStore::importFolder() {
    if (!m_database)
        return 0;
    const QSet<QString> stored = StoredFiles(*m_database).paths();
    int imported = 0;
    QDirIterator it(m_root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir(m_root).relativeFilePath(it.next());
        if (!isStoredPath(path) || stored.contains(path) ||
            !DataFolder::isPlainFileBelow(m_root, path))
            continue;
        QFile file(QDir(m_root).filePath(path));
        if (!file.open(QIODevice::ReadOnly))
            throw StorageError(u"cannot read %1: %2"_s.arg(file.fileName(), file.errorString()));
        m_database->begin();
        try {
            StoredFiles(*m_database).put(path, file.readAll());
            m_database->commit();
            ++imported;
        } catch (const StorageError& e) {
            m_database->rollback();
            if (!e.isConflict())
                throw;
            // Another server starting at the same time imported it first.
        }
    }
    return imported;
}

std::optional<QString> PictureStore::fileFor(const QString& path) const {
    if (!isStoredPath(path))
        return std::nullopt;
    if (!DataFolder::isPlainFileBelow(m_root, path))
        return std::nullopt;
    return QDir(m_root).filePath(path);
}

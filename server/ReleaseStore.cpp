#include "ReleaseStore.h"

#include "DataFolder.h"
#include "ServerTime.h"
#include "Storage.h"
#include "StorageError.h"
#include "StoredFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

QList<qint64> versionNumbers(const QString& version) {
    QList<qint64> out;
    for (const QString& piece : version.split(u'.', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 n = piece.toLongLong(&ok);
        out.append(ok ? n : 0);
    }
    return out;
}

bool copyInto(const QString& from, const QString& to, QCryptographicHash& hash, QString* error) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(from, in.errorString());
        return false;
    }
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = u"cannot write %1: %2"_s.arg(to, out.errorString());
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            *error = u"cannot read %1: %2"_s.arg(from, in.errorString());
            return false;
        }
        hash.addData(chunk);
        if (out.write(chunk) != chunk.size()) {
            *error = u"cannot write %1: %2"_s.arg(to, out.errorString());
            return false;
        }
    }
    if (!out.commit()) {
        *error = u"cannot write %1: %2"_s.arg(to, out.errorString());
        return false;
    }
    return true;
}

// The archive's SHA-256 lives beside it as "<archive>.sha256" (hex), written
// when it is published.
QString checksumFile(const QString& archive) {
    return archive + u".sha256"_s;
}

bool writeChecksum(const QString& archive, const QByteArray& hex, QString* error) {
    QSaveFile out(checksumFile(archive));
    if (!out.open(QIODevice::WriteOnly) || out.write(hex + '\n') < 0 || !out.commit()) {
        *error = u"cannot write %1: %2"_s.arg(checksumFile(archive), out.errorString());
        return false;
    }
    return true;
}

} // namespace

ReleaseStore::ReleaseStore(Storage& storage, const QString& root, bool filesInDatabase)
    : m_storage(storage)
    , m_root(root)
    , m_filesInDatabase(filesInDatabase) {}

QString ReleaseStore::storedPath(const ServerRelease& release) {
    return urlPath(release);
}

bool ReleaseStore::publishToDatabase(const ServerRelease& release, const QString& zipPath,
                                     QString* error) {
    QFile in(zipPath);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(zipPath, in.errorString());
        return false;
    }
    // One transaction: the release is offered only once its archive is whole.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    m_storage.begin();
    try {
        for (qint64 position = 0; !in.atEnd(); ++position) {
            const QByteArray chunk = in.read(StoredFiles::chunkBytes);
            if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
                throw StorageError(u"cannot read %1: %2"_s.arg(zipPath, in.errorString()));
            hash.addData(chunk);
            StoredFiles(m_storage).putChunk(storedPath(release), position, chunk);
        }
        StoredFiles(m_storage).put(storedPath(release) + u".sha256"_s, hash.result().toHex());
        m_storage.insertRelease(release);
        m_storage.commit();
    } catch (const StorageError& e) {
        m_storage.rollback();
        *error = e.message();
        return false;
    }
    return true;
}

std::optional<std::pair<QString, qint64>> ReleaseStore::storedArchive(const QString& version,
                                                                      const QString& fileName) {
    const std::optional<ServerRelease> r = m_storage.release(version);
    if (!m_filesInDatabase || !r || r->fileName != fileName)
        return std::nullopt;
    const std::optional<qint64> size = StoredFiles(m_storage).size(storedPath(*r));
    if (!size)
        return std::nullopt;
    return std::pair{storedPath(*r), *size};
}

int ReleaseStore::importFolder() {
    if (!m_filesInDatabase)
        return 0;
    const QSet<QString> stored = StoredFiles(m_storage).paths();
    int imported = 0;
    for (const ServerRelease& r : m_storage.releases()) {
        const QString relative = r.version + u'/' + r.fileName;
        if (stored.contains(storedPath(r)) || !DataFolder::isPlainFileBelow(m_root, relative))
            continue;
        QFile in(QDir(m_root).filePath(relative));
        if (!in.open(QIODevice::ReadOnly))
            throw StorageError(u"cannot read %1: %2"_s.arg(in.fileName(), in.errorString()));
        m_storage.begin();
        try {
            for (qint64 position = 0; !in.atEnd(); ++position)
                StoredFiles(m_storage).putChunk(storedPath(r), position,
                                                in.read(StoredFiles::chunkBytes));
            if (const std::optional<QString> sum = sha256(r))
                StoredFiles(m_storage).put(storedPath(r) + u".sha256"_s, sum->toLatin1());
            m_storage.commit();
            ++imported;
        } catch (const StorageError& e) {
            m_storage.rollback();
            if (!e.isConflict())
                throw;
            // Another server starting at the same time imported it first.
        }
    }
    return imported;
}

bool ReleaseStore::isValidVersion(const QString& version) {
    static const QRegularExpression re(u"\\A[0-9]+(\\.[0-9]+)*(-[0-9A-Za-z.]+)?\\z"_s);
    return version.size() <= 64 && re.match(version).hasMatch();
}

bool ReleaseStore::isNewer(const QString& a, const QString& b) {
    const QList<qint64> x = versionNumbers(a);
    const QList<qint64> y = versionNumbers(b);
    for (qsizetype i = 0; i < qMax(x.size(), y.size()); ++i) {
        const qint64 p = i < x.size() ? x[i] : 0;
        const qint64 q = i < y.size() ? y[i] : 0;
        if (p != q)
            return p > q;
    }
    return false;
}

QString ReleaseStore::urlPath(const ServerRelease& release) {
    return u"releases/"_s + release.version + u'/' + release.fileName;
}

bool ReleaseStore::publish(const QString& version, const QString& zipPath,
                           const std::optional<QString>& notes, QString* error) {
    QString ignored;
    QString& message = error ? *error : ignored;
    if (!isValidVersion(version)) {
        message = u"\"%1\" is not a version number such as 1.4.0"_s.arg(version);
        return false;
    }
    QFile zip(zipPath);
    if (!QFileInfo(zipPath).isFile() || !zip.open(QIODevice::ReadOnly)) {
        message = u"cannot read the archive %1"_s.arg(zipPath);
        return false;
    }
    if (zip.read(4) != QByteArrayLiteral("PK\x03\x04")) {
        message = u"%1 is not a zip archive"_s.arg(zipPath);
        return false;
    }
    zip.close();
    if (m_storage.release(version)) {
        message = u"version %1 is already published"_s.arg(version);
        return false;
    }

    ServerRelease release;
    release.version = version;
    release.fileName = u"zevra-tikit-"_s + version + u".zip"_s;
    release.notes = notes;
    release.pubDate = ServerTime::now();

    if (m_filesInDatabase)
        return publishToDatabase(release, zipPath, &message);
    const QString folder = QDir(m_root).filePath(version);
    if (!QDir().mkpath(folder)) {
        message = u"cannot create the folder "_s + folder;
        return false;
    }
    const QString target = QDir(folder).filePath(release.fileName);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!copyInto(zipPath, target, hash, &message) ||
        !writeChecksum(target, hash.result().toHex(), &message))
        return false;
    m_storage.insertRelease(release);
    return true;
}

std::optional<ServerRelease> ReleaseStore::newest() {
    std::optional<ServerRelease> best;
    for (const ServerRelease& r : m_storage.releases()) {
        if (!best || isNewer(r.version, best->version) ||
            (!isNewer(best->version, r.version) && r.pubDate > best->pubDate))
            best = r;
    }
    return best;
}

QJsonObject ReleaseStore::versionJson() {
    QJsonObject o;
    const std::optional<ServerRelease> r = newest();
    if (!r)
        return o;
    o.insert("version"_L1, r->version);
    o.insert("url"_L1, urlPath(*r));
    o.insert("notes"_L1, r->notes.value_or(QString()));
    o.insert("pub_date"_L1, ServerTime::iso(r->pubDate));
    if (const std::optional<QString> sum = sha256(*r))
        o.insert("sha256"_L1, *sum);
    return o;
}

std::optional<QString> ReleaseStore::archiveFor(const QString& version, const QString& fileName) {
    const std::optional<ServerRelease> r = m_storage.release(version);
    if (!r || r->fileName != fileName)
        return std::nullopt;
    if (!DataFolder::isPlainFileBelow(m_root, r->version + u'/' + r->fileName))
        return std::nullopt;
    return QDir(QDir(m_root).filePath(r->version)).filePath(r->fileName);
}

std::optional<QString> ReleaseStore::sha256(const ServerRelease& release) {
    const QString archive = QDir(QDir(m_root).filePath(release.version)).filePath(release.fileName);
    QFile file(checksumFile(archive));
    QString hex;
    if (file.open(QIODevice::ReadOnly))
        hex = QString::fromLatin1(file.read(128)).trimmed();
    else if (m_filesInDatabase)
        hex = QString::fromLatin1(
            StoredFiles(m_storage).chunk(storedPath(release) + u".sha256"_s, 0));
    if (hex.size() != 64)
        return std::nullopt;
    return hex;
}

#include "PictureStore.h"

#include "ApiKeys.h"
#include "DataFolder.h"

#include <QDateTime>
#include <QDir>
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

PictureStore::PictureStore(const QString& root)
    : m_root(root) {}

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

std::optional<QString> PictureStore::store(const QByteArray& bytes, const QString& ext, qint64 now,
                                           QString* error) {
    const QDate day = QDateTime::fromSecsSinceEpoch(now, Qt::UTC).date();
    const QString folder = QString::asprintf("%04d/%02d", day.year(), day.month());
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
        if (isStoredPath(path))
            QFile::remove(QDir(m_root).filePath(path));
    }
}

std::optional<QString> PictureStore::fileFor(const QString& path) const {
    if (!isStoredPath(path))
        return std::nullopt;
    if (!DataFolder::isPlainFileBelow(m_root, path))
        return std::nullopt;
    return QDir(m_root).filePath(path);
}

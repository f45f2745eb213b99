#include "model/Store.h"

#include "model/Clock.h"
#include "model/DiskSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace {

constexpr QFileDevice::Permissions ownerOnlyDir =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions ownerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates `path` and missing parents; the last folder is made owner-only.
void makeFolder(const QString& path) {
    QDir dir(path);
    if (dir.exists())
        return;
    QDir parent = QFileInfo(dir.absolutePath()).dir();
    parent.mkpath(QStringLiteral("."));
    parent.mkdir(QFileInfo(dir.absolutePath()).fileName(), ownerOnlyDir);
}

bool writeAtomically(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(ownerOnlyFile);
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    // The rename lives in the folder: flushing it too keeps a power loss from
    // bringing back the previous file.
    DiskSync::flush(QFileInfo(path).absolutePath());
    return true;
}

QString newFileName(const QString& ext) {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower() + u'.' + ext;
}

} // namespace

Store::Store(const QString& directory)
    : m_dir(QDir(directory).absolutePath())
    , m_screenshotsDir(m_dir + QStringLiteral("/screenshots"))
    , m_dbPath(m_dir + QStringLiteral("/db.json")) {
    makeFolder(m_dir);
    makeFolder(m_screenshotsDir);
    load();
}

void Store::load() {
    QFile file(m_dbPath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        setAside(QStringLiteral("could not be read"));
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    std::optional<Db> decoded = Db::decode(bytes);
    if (!decoded) {
        setAside(QStringLiteral("could not be decoded"));
        return;
    }
    migrate(*decoded);
    m_db = std::move(*decoded);
}

void Store::setAside(const QString& reason) {
    const QString stamp = Clock::now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = m_dbPath + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = m_dbPath + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);

    bool kept = QFile::copy(m_dbPath, target);
    if (kept) {
        QFile::setPermissions(target, ownerOnlyFile);
    } else {
        kept = QFile::rename(m_dbPath, target);
    }
    if (kept) {
        std::fprintf(stderr,
                     "zevra-tikit: %s %s; it was kept as %s and an empty database is used\n",
                     qPrintable(m_dbPath), qPrintable(reason), qPrintable(target));
    } else {
        m_saveBlocked = true;
        std::fprintf(stderr,
                     "zevra-tikit: %s %s and could not be kept aside; changes of this session "
                     "will not be saved\n",
                     qPrintable(m_dbPath), qPrintable(reason));
    }
}

void Store::save() {
    if (qEnvironmentVariableIsSet("ZEVRA_NO_SAVE") || m_saveBlocked)
        return;
    writeAtomically(m_dbPath, m_db.encode(&m_entryText));
}

std::optional<QString> Store::writeScreenshot(const QByteArray& data, const QString& ext) {
    const QString name = newFileName(ext);
    if (!writeAtomically(m_screenshotsDir + u'/' + name, data))
        return std::nullopt;
    return name;
}

void Store::pruneScreenshots() {
    QDir folder(m_screenshotsDir);
    if (!folder.exists())
        return;
    const QStringList names =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);

    QSet<QString> referenced;
    for (const Entry& entry : m_db.entries) {
        if (!entry.screenshots)
            continue;
        for (const Screenshot& shot : *entry.screenshots) {
            if (shot.file)
                referenced.insert(*shot.file);
        }
    }
    QStringList unreferenced;
    for (const QString& name : names) {
        if (!referenced.contains(name))
            unreferenced.append(name);
    }
    if (unreferenced.isEmpty())
        return;
    // A database that could not be read still names its pictures: keep every
    // file whose name appears in one, decodable or not, so that nothing is
    // lost before it has been looked at.
    const QList<QByteArray> keptAside = setAsideDatabases();
    for (const QString& name : std::as_const(unreferenced)) {
        const QByteArray needle = name.toUtf8();
        if (std::any_of(keptAside.begin(), keptAside.end(),
                        [&needle](const QByteArray& bytes) { return bytes.contains(needle); }))
            continue;
        const QString path = folder.filePath(name);
        if (!QFile::remove(path))
            QDir(path).removeRecursively();
    }
}

QList<QByteArray> Store::setAsideDatabases() const {
    QList<QByteArray> contents;
    QStringList paths;
    const QFileInfo db(m_dbPath);
    const QStringList names = db.dir().entryList({db.fileName() + QStringLiteral(".unreadable-*")},
                                                 QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        paths.append(db.dir().filePath(name));
    // Not even set aside: the unreadable file is still in its place.
    if (m_saveBlocked)
        paths.append(m_dbPath);
    for (const QString& path : std::as_const(paths)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            contents.append(file.readAll());
    }
    return contents;
}

std::optional<QString> Store::screenshotPath(const QString& name) const {
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
        name.contains(QChar(0)))
        return std::nullopt;
    return m_screenshotsDir + u'/' + name;
}

QString Store::reduceServerPath(const QString& address) {
    static const QRegularExpression pattern(
        QStringLiteral("[0-9]{4}/[0-9]{2}/[0-9a-f]{8,}\\.[a-z0-9]+"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(address);
    return match.hasMatch() ? match.captured(0) : address;
}

void Store::migrate(Db& db) {
    for (Entry& entry : db.entries) {
        if (entry.screenshots)
            continue;
        QList<Screenshot> list;
        if (entry.screenshotFile)
            list.append(Screenshot{std::nullopt, entry.screenshotFile});
        if (entry.screenshotUrl)
            list.append(Screenshot{reduceServerPath(*entry.screenshotUrl), std::nullopt});
        entry.screenshots = list;
        entry.screenshotFile.reset();
        entry.screenshotUrl.reset();
        entry.screenshotPendingUpload = false;
        entry.screenshotCleared = false;
    }
}

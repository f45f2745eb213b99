#include "DataFolder.h"

#include "PictureStore.h"
#include "ReleaseStore.h"
#include "Storage.h"
#include "StorageError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace {

constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

// Creates `path` (and its parents) when missing; the last folder gets 0700.
bool ensureFolder(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (info.exists()) {
        if (info.isDir())
            return true;
        *error = u"%1 exists and is not a folder"_s.arg(path);
        return false;
    }
    const QString parent = info.absolutePath();
    if (!QDir().mkpath(parent) || !QDir().mkdir(path, ownerOnly)) {
        *error = u"cannot create the folder %1"_s.arg(path);
        return false;
    }
    return true;
}

} // namespace

DataFolder::DataFolder() = default;

DataFolder::~DataFolder() = default;

QString DataFolder::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/zevra-server"_s;
}

DatabaseUrl DataFolder::ownDatabase(const QString& path) {
    return DatabaseUrl::sqlite(QDir::cleanPath(QDir(path).absolutePath()) + u"/zevra.sqlite"_s);
}

bool DataFolder::open(const QString& path, const std::optional<DatabaseUrl>& database,
                      QString* error) {
    QString ignored;
    QString& message = error ? *error : ignored;
    m_path = QDir::cleanPath(QDir(path).absolutePath());
    const QString uploads = m_path + u"/uploads"_s;
    const QString releases = m_path + u"/releases"_s;
    if (!ensureFolder(m_path, &message) || !ensureFolder(uploads, &message) ||
        !ensureFolder(releases, &message))
        return false;

    // SQLite quietly falls back to reading only, so writing is tried first.
    QTemporaryFile probe(m_path + u"/.write-test-XXXXXX"_s);
    if (!probe.open()) {
        message = u"cannot write to the data folder %1: %2"_s.arg(m_path, probe.errorString());
        return false;
    }
    probe.close();

    m_database = database.value_or(ownDatabase(m_path));
    auto storage = std::make_unique<Storage>();
    QString dbError;
    if (!storage->open(m_database, &dbError)) {
        message = u"cannot open the database %1: %2"_s.arg(m_database.display(), dbError);
        return false;
    }
    m_storage = std::move(storage);
    makeStores();
    // Pictures and archives an older version left in the folder are copied
    // into a database that keeps them, once.
    try {
        m_pictures->importFolder();
        m_releases->importFolder();
    } catch (const StorageError& e) {
        message = u"cannot copy the files of %1 into the database: %2"_s.arg(m_path, e.message());
        return false;
    }
    return true;
}

void DataFolder::attach(const QString& path, const DatabaseUrl& database) {
    m_path = path;
    m_database = database;
    m_storage = std::make_unique<Storage>();
    m_storage->connect(m_database, nullptr);
    makeStores();
}

void DataFolder::makeStores() {
    // On PostgreSQL pictures and release archives live in the database, shared
    // by every server on it.
    const bool shared = m_database.engine == DatabaseUrl::Engine::PostgreSQL;
    m_pictures =
        std::make_unique<PictureStore>(m_path + u"/uploads"_s, shared ? m_storage.get() : nullptr);
    m_releases = std::make_unique<ReleaseStore>(*m_storage, m_path + u"/releases"_s, shared);
}

bool DataFolder::isPlainFileBelow(const QString& root, const QString& relative) {
    QString path = root;
    for (const QString& part : relative.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + part;
        if (QFileInfo(path).isSymLink())
            return false;
    }
    return QFileInfo(path).isFile();
}

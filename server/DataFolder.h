#pragma once

#include "DatabaseUrl.h"

#include <QString>

#include <memory>
#include <optional>

class PictureStore;
class ReleaseStore;
class Storage;

// The server's data folder: the SQLite file "zevra.sqlite" (unless the
// records are kept in another database), uploaded pictures under "uploads"
// and release archives under "releases". Folders it creates are readable by
// their owner only.
class DataFolder {
public:
    DataFolder();
    ~DataFolder();
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // Creates what is missing, checks that the folder can be written and
    // opens the database (the folder's own SQLite file without `database`).
    // False with `error` set when any of that fails.
    bool open(const QString& path, const std::optional<DatabaseUrl>& database, QString* error);
    // Another connection to a folder opened before, for use on another
    // thread: nothing is created or copied. A database that cannot be reached
    // now is connected to again by the requests that need it.
    void attach(const QString& path, const DatabaseUrl& database);

    const QString& path() const { return m_path; }
    const DatabaseUrl& database() const { return m_database; }
    Storage& storage() { return *m_storage; }
    PictureStore& pictures() { return *m_pictures; }
    ReleaseStore& releases() { return *m_releases; }

    // $XDG_DATA_HOME/zevra-server (~/.local/share/zevra-server).
    static QString defaultPath();
    // The folder's own SQLite file, where the records are unless told otherwise.
    static DatabaseUrl ownDatabase(const QString& path);
    // Whether `relative` names a plain file under `root` reached without a
    // symbolic link: served files never lead elsewhere.
    static bool isPlainFileBelow(const QString& root, const QString& relative);

private:
    // The picture and release stores over the folder and the open storage.
    void makeStores();

    QString m_path;
    DatabaseUrl m_database;
    std::unique_ptr<Storage> m_storage;
    std::unique_ptr<PictureStore> m_pictures;
    std::unique_ptr<ReleaseStore> m_releases;
};

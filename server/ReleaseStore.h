#pragma once

#include "ServerRelease.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <utility>

class Storage;

// Published releases of the desktop application: their notes and dates in
// the database; the archives with their SHA-256 under the releases folder,
// or in the database too when it keeps files (those left in the folder are
// still served).
class ReleaseStore {
public:
    ReleaseStore(Storage& storage, const QString& root, bool filesInDatabase = false);

    const QString& root() const { return m_root; }

    // Copies the zip archive in, writes its SHA-256 beside it and records the
    // release. False with `error` set for a bad version text, an unreadable or non-zip file, a
    // version published before, or a failure to write.
    bool publish(const QString& version, const QString& zipPath,
                 const std::optional<QString>& notes, QString* error);

    // The release with the highest version number, or nothing.
    std::optional<ServerRelease> newest();
    // The version reply: version, url (relative to the server), notes,
    // pub_date and sha256 (when recorded); empty without a release.
    QJsonObject versionJson();
    // The archive served at "releases/<version>/<file name>", or nothing.
    std::optional<QString> archiveFor(const QString& version, const QString& fileName);
    // The database's name and size of that archive when it is kept there.
    std::optional<std::pair<QString, qint64>> storedArchive(const QString& version,
                                                            const QString& fileName);
    // Copies the archives of recorded releases still only in the folder into
    // the database; gives how many. Running it again copies nothing twice.
    int importFolder();
    // The archive's recorded SHA-256 in hex, or nothing.
    std::optional<QString> sha256(const ServerRelease& release);

    // Whether a is a higher dotted version than b (missing or non-numeric
    // pieces count as 0, so 1.2 equals 1.2.0).
    static bool isNewer(const QString& a, const QString& b);
    static bool isValidVersion(const QString& version);
    static QString urlPath(const ServerRelease& release);

private:
    // The archive's name in the database.
    static QString storedPath(const ServerRelease& release);
    bool publishToDatabase(const ServerRelease& release, const QString& zipPath, QString* error);

    Storage& m_storage;
    QString m_root;
    bool m_filesInDatabase;
};

#pragma once

#include "ServerRelease.h"

#include <QJsonObject>
#include <QString>

#include <optional>

class Storage;

// Published releases of the desktop application: the archives under the
// releases folder, their notes and dates in the database.
class ReleaseStore {
public:
    ReleaseStore(Storage& storage, const QString& root);

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
    // The archive's recorded SHA-256 in hex, or nothing.
    std::optional<QString> sha256(const ServerRelease& release);

    // Whether a is a higher dotted version than b (missing or non-numeric
    // pieces count as 0, so 1.2 equals 1.2.0).
    static bool isNewer(const QString& a, const QString& b);
    static bool isValidVersion(const QString& version);
    static QString urlPath(const ServerRelease& release);

private:
    Storage& m_storage;
    QString m_root;
};

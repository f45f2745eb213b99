#pragma once

#include "model/Db.h"
#include "model/EntryTextCache.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Owner of one data folder: db.json with the whole database and the flat
// "screenshots" folder. Loads once at construction, rewrites the whole file on
// every save. Main thread only.
class Store {
public:
    // Creates the folders (0700) and loads db.json. Never fails: a missing file
    // gives the default database; an unreadable one is first copied aside.
    explicit Store(const QString& directory);

    const QString& dir() const { return m_dir; }
    const QString& screenshotsDir() const { return m_screenshotsDir; }
    const QString& dbPath() const { return m_dbPath; }

    Db& db() { return m_db; }
    const Db& db() const { return m_db; }

    // Writes the database atomically (owner-only permissions). Does nothing
    // while ZEVRA_NO_SAVE is set. Failures are swallowed; the next save retries.
    void save();

    // Stores one image under a fresh "<uuid>.<ext>" name and gives the name.
    std::optional<QString> writeScreenshot(const QByteArray& data, const QString& ext);
    // Deletes every file in the screenshot folder that no entry refers to and
    // that no set-aside unreadable database names.
    void pruneScreenshots();

    // The path of a picture file named in an entry, or nothing for a name that
    // is not a plain file name (so a database never reaches outside the folder).
    std::optional<QString> screenshotPath(const QString& name) const;

    // Converts the single-screenshot fields of older files into lists.
    static void migrate(Db& db);
    // The server path inside a picture address ("2026/01/3fa9c2d1e0.png"), or
    // the whole text when it holds none.
    static QString reduceServerPath(const QString& address);

private:
    void load();
    void setAside(const QString& reason);
    // The bytes of every database file that could not be read.
    QList<QByteArray> setAsideDatabases() const;

    QString m_dir;
    QString m_screenshotsDir;
    QString m_dbPath;
    Db m_db;
    EntryTextCache m_entryText;
    // Set when an existing file could neither be read nor moved aside: saving
    // would destroy it, so this session keeps its changes in memory only.
    bool m_saveBlocked = false;
};

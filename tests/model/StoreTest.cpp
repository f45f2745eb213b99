#include "model/Store.h"
#include "StderrCapture.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Permission bits of a path, or -1 when it does not exist.
int modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

ino_t inodeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_ino;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

Entry entry(const QString& id, const QString& description) {
    Entry e;
    e.id = id;
    e.description = description;
    e.startedAt = u"2026-01-05T09:00:00Z"_s;
    e.endedAt = u"2026-01-05T09:30:00Z"_s;
    e.screenshots = QList<Screenshot>{};
    e.updatedAt = u"2026-01-05T09:30:00Z"_s;
    return e;
}

// A small database with two entries and a client.
Db sampleDb() {
    Db db;
    db.settings.apiKey = u"secret-key"_s;
    Client c;
    c.id = u"c1"_s;
    c.name = u"Acme"_s;
    db.clients = {c};
    db.entries = {entry(u"e1"_s, u"First"_s), entry(u"e2"_s, u"Second"_s)};
    return db;
}

// Screenshot lists as "file:<name>" / "server:<path>" lines.
QStringList describe(const std::optional<QList<Screenshot>>& shots) {
    QStringList out;
    if (!shots)
        return {u"<absent>"_s};
    for (const Screenshot& s : *shots) {
        if (s.file)
            out << u"file:"_s + *s.file;
        if (s.server)
            out << u"server:"_s + *s.server;
    }
    return out;
}

QStringList folderItems(const QString& path) {
    QStringList names =
        QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

const QString asideSuffix = u".unreadable-20260105T093000Z"_s;

} // namespace

// The data folder, db.json, keeping unreadable files, migration and the
// screenshot folder.
class StoreTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;

    QString dataDir() const { return m_env->dataDirectory(); }
    QString dbPath() const { return dataDir() + u"/db.json"_s; }

    void writeDatabase(const QByteArray& bytes) {
        QDir().mkpath(dataDir());
        QVERIFY(writeFile(dbPath(), bytes));
    }

private Q_SLOTS:
    void init() {
        qunsetenv("ZEVRA_NO_SAVE");
        m_env = std::make_unique<TestEnv>();
    }

    void cleanup() {
        qunsetenv("ZEVRA_NO_SAVE");
        m_env.reset();
    }

    void firstStartCreatesFoldersButNoDatabase_data() {
        QTest::addColumn<QString>("relative");
        QTest::newRow("data folder") << u"data/org.zevra.tikit"_s;
        QTest::newRow("missing parents") << u"deep/er/org.zevra.tikit"_s;
    }

    void firstStartCreatesFoldersButNoDatabase() {
        QFETCH(QString, relative);
        const QString dir = m_env->path() + u'/' + relative;
        QVERIFY(!QFileInfo::exists(dir));
        Store store(dir);
        QCOMPARE(store.dir(), dir);
        QCOMPARE(store.screenshotsDir(), dir + u"/screenshots"_s);
        QCOMPARE(store.dbPath(), dir + u"/db.json"_s);
        QCOMPARE(modeOf(dir), 0700);
        QCOMPARE(modeOf(store.screenshotsDir()), 0700);
        QVERIFY(store.db() == Db());
        QVERIFY(!QFileInfo::exists(store.dbPath()));
        QCOMPARE(folderItems(dir), QStringList{u"screenshots"_s});

        store.db().settings.userName = u"Ada"_s;
        store.save();
        QVERIFY(QFileInfo::exists(store.dbPath()));
        QCOMPARE(modeOf(store.dbPath()), 0600);
        Store again(dir);
        QCOMPARE(again.db().settings.userName, u"Ada"_s);
    }

    // The whole file is replaced by a new one; the old one never half-written.
    void saveReplacesFileAtomicallyOwnerOnly() {
        writeDatabase(sampleDb().encode());
        QVERIFY(QFile::setPermissions(dbPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadGroup |
                                                    QFileDevice::ReadOther));
        QCOMPARE(modeOf(dbPath()), 0644);
        const ino_t before = inodeOf(dbPath());

        Store store(dataDir());
        QVERIFY(store.db() == sampleDb());
        store.db().entries[1].description = u"Changed"_s;
        store.save();

        QCOMPARE(modeOf(dbPath()), 0600);
        QVERIFY2(inodeOf(dbPath()) != before, "db.json was rewritten in place");
        QCOMPARE(readAll(dbPath()), store.db().encode());
        QCOMPARE(folderItems(dataDir()), (QStringList{u"db.json"_s, u"screenshots"_s}));
    }

    void saveFailureIsSwallowedAndRetried() {
        Store store(dataDir());
        store.db().settings.userName = u"Ada"_s;
        QVERIFY(QDir().mkdir(dbPath())); // a folder where the file belongs
        store.save();
        QVERIFY(QFileInfo(dbPath()).isDir());
        QCOMPARE(store.db().settings.userName, u"Ada"_s);
        QVERIFY(QDir().rmdir(dbPath()));
        store.save();
        QCOMPARE(Db::decode(readAll(dbPath()))->settings.userName, u"Ada"_s);
    }

    void noSaveVariable_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("set to 1") << QByteArray("1");
        QTest::newRow("set but empty") << QByteArray("");
    }

    void noSaveVariable() {
        QFETCH(QByteArray, value);
        {
            qputenv("ZEVRA_NO_SAVE", value);
            Store store(dataDir());
            store.db().settings.userName = u"Ada"_s;
            store.save();
            QCOMPARE(store.db().settings.userName, u"Ada"_s);
            QVERIFY(!QFileInfo::exists(dbPath()));
        }
        qunsetenv("ZEVRA_NO_SAVE");
        writeDatabase(sampleDb().encode());
        const QByteArray original = readAll(dbPath());
        qputenv("ZEVRA_NO_SAVE", value);
        Store store(dataDir());
        store.db().entries.clear();
        store.save();
        QCOMPARE(readAll(dbPath()), original);

        qunsetenv("ZEVRA_NO_SAVE");
        store.save();
        QVERIFY(Db::decode(readAll(dbPath()))->entries.isEmpty());
    }

    void unreadableDatabaseIsKeptAside_data() {
        QTest::addColumn<QByteArray>("bytes");

        const auto without = [](int entryIndex, const QString& key) {
            QJsonObject root = sampleDb().toJson();
            QJsonArray entries = root.value(u"entries"_s).toArray();
            QJsonObject e = entries.at(entryIndex).toObject();
            e.remove(key);
            entries[entryIndex] = e;
            root[u"entries"_s] = entries;
            return QJsonDocument(root).toJson();
        };
        QTest::newRow("one entry lacks deleted") << without(1, u"deleted"_s);
        QTest::newRow("one entry lacks screenshot_cleared") << without(0, u"screenshot_cleared"_s);
        QTest::newRow("garbage bytes") << QByteArray("\x00\xff\xfe garbage \x01{", 14);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("json array") << QByteArray("[1, 2, 3]");
        QTest::newRow("truncated") << sampleDb().encode().left(40);
    }

    void unreadableDatabaseIsKeptAside() {
        QFETCH(QByteArray, bytes);
        writeDatabase(bytes);
        const QString aside = dbPath() + asideSuffix;

        StderrCapture capture;
        Store store(dataDir());
        const QByteArray err = capture.text();

        QVERIFY(store.db() == Db());
        QVERIFY(QFileInfo::exists(aside));
        QCOMPARE(readAll(aside), bytes);
        QCOMPARE(modeOf(aside), 0600);
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(err.endsWith('\n'));
        QVERIFY2(err.contains(QFile::encodeName(aside)), err.constData());
        QCOMPARE(folderItems(dataDir()),
                 (QStringList{u"db.json"_s, u"db.json"_s + asideSuffix, u"screenshots"_s}));

        // Saving the new database leaves the copy alone.
        store.db().settings.userName = u"Ada"_s;
        store.save();
        QCOMPARE(Db::decode(readAll(dbPath()))->settings.userName, u"Ada"_s);
        QCOMPARE(readAll(aside), bytes);
        m_env->clock().advance(3'600'000);
        store.save();
        Store reloaded(dataDir());
        QCOMPARE(reloaded.db().settings.userName, u"Ada"_s);
        QCOMPARE(readAll(aside), bytes);
    }

    void everyUnreadableLoadKeepsItsOwnCopy() {
        writeDatabase("first garbage");
        StderrCapture capture;
        { Store store(dataDir()); }
        { Store store(dataDir()); } // same second, same file still unreadable
        QVERIFY(writeFile(dbPath(), "second garbage"));
        { Store store(dataDir()); }
        const QByteArray err = capture.text();
        QCOMPARE(err.count('\n'), 3);
        QCOMPARE(readAll(dbPath() + asideSuffix), QByteArray("first garbage"));
        QCOMPARE(readAll(dbPath() + asideSuffix + u"-2"_s), QByteArray("first garbage"));
        QCOMPARE(readAll(dbPath() + asideSuffix + u"-3"_s), QByteArray("second garbage"));
    }

    // Something that cannot even be opened as a file is moved aside whole.
    void folderInPlaceOfDatabaseIsMovedAside() {
        QVERIFY(QDir().mkpath(dbPath()));
        QVERIFY(writeFile(dbPath() + u"/inner.txt"_s, "keep me"));
        StderrCapture capture;
        Store store(dataDir());
        const QByteArray err = capture.text();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(store.db() == Db());
        const QString aside = dbPath() + asideSuffix;
        QCOMPARE(readAll(aside + u"/inner.txt"_s), QByteArray("keep me"));
        store.db().settings.userName = u"Ada"_s;
        store.save();
        QCOMPARE(Db::decode(readAll(dbPath()))->settings.userName, u"Ada"_s);
        QCOMPARE(readAll(aside + u"/inner.txt"_s), QByteArray("keep me"));
    }

    void readableDatabaseWritesNothingToStderr() {
        writeDatabase(sampleDb().encode());
        StderrCapture capture;
        Store store(dataDir());
        QCOMPARE(capture.text(), QByteArray());
        QVERIFY(store.db() == sampleDb());
        QCOMPARE(folderItems(dataDir()), (QStringList{u"db.json"_s, u"screenshots"_s}));
    }

    void migration_data() {
        QTest::addColumn<QString>("file");         // legacy screenshot_file; null: absent
        QTest::addColumn<QString>("url");          // legacy screenshot_url; null: absent
        QTest::addColumn<QStringList>("stored");   // stored list; {"<absent>"}: no key
        QTest::addColumn<QStringList>("expected"); // list after loading
        QTest::addColumn<bool>("migrated");

        const QStringList absent{u"<absent>"_s};
        QTest::newRow("file only")
            << u"a.png"_s << QString() << absent << QStringList{u"file:a.png"_s} << true;
        QTest::newRow("url with year/month/hex part")
            << QString() << u"https://tikit.example.test/uploads/2025/11/8c1e0a3bff.png"_s << absent
            << QStringList{u"server:2025/11/8c1e0a3bff.png"_s} << true;
        QTest::newRow("url part in upper case")
            << QString() << u"HTTPS://TIKIT.TEST/UPLOADS/2025/11/8C1E0A3BFF.PNG"_s << absent
            << QStringList{u"server:2025/11/8C1E0A3BFF.PNG"_s} << true;
        QTest::newRow("url part followed by a query")
            << QString() << u"https://t.test/uploads/2024/02/0123456789abcdef.jpeg?v=2"_s << absent
            << QStringList{u"server:2024/02/0123456789abcdef.jpeg"_s} << true;
        QTest::newRow("already a server path")
            << QString() << u"2025/11/8c1e0a3bff.png"_s << absent
            << QStringList{u"server:2025/11/8c1e0a3bff.png"_s} << true;
        QTest::newRow("url without such a part")
            << QString() << u"https://tikit.example.test/pic.png"_s << absent
            << QStringList{u"server:https://tikit.example.test/pic.png"_s} << true;
        QTest::newRow("hex part too short")
            << QString() << u"https://t.test/uploads/2025/11/8c1e0a3.png"_s << absent
            << QStringList{u"server:https://t.test/uploads/2025/11/8c1e0a3.png"_s} << true;
        QTest::newRow("hex part not hexadecimal")
            << QString() << u"https://t.test/2025/11/8c1e0a3bfz.png"_s << absent
            << QStringList{u"server:https://t.test/2025/11/8c1e0a3bfz.png"_s} << true;
        QTest::newRow("both fields, local first")
            << u"local.png"_s << u"https://t.test/uploads/2025/11/8c1e0a3bff.png"_s << absent
            << QStringList{u"file:local.png"_s, u"server:2025/11/8c1e0a3bff.png"_s} << true;
        QTest::newRow("neither field") << QString() << QString() << absent << QStringList{} << true;
        QTest::newRow("empty list not migrated again")
            << u"local.png"_s << u"https://t.test/2025/11/8c1e0a3bff.png"_s << QStringList{}
            << QStringList{} << false;
        QTest::newRow("filled list not migrated again")
            << u"local.png"_s << QString() << QStringList{u"server:2026/01/aaaaaaaaaa.png"_s}
            << QStringList{u"server:2026/01/aaaaaaaaaa.png"_s} << false;
    }

    void migration() {
        QFETCH(QString, file);
        QFETCH(QString, url);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        QFETCH(bool, migrated);

        Entry legacy = entry(u"srv9"_s, u"Legacy"_s);
        legacy.serverId = 9;
        legacy.syncState = u"synced"_s;
        legacy.updatedAt = u"2025-11-03T12:00:00Z"_s;
        if (!file.isNull())
            legacy.screenshotFile = file;
        if (!url.isNull())
            legacy.screenshotUrl = url;
        legacy.screenshotPendingUpload = true;
        legacy.screenshotCleared = true;
        if (stored == QStringList{u"<absent>"_s}) {
            legacy.screenshots.reset();
        } else {
            legacy.screenshots = QList<Screenshot>{};
            for (const QString& s : stored)
                legacy.screenshots->append({s.mid(7), std::nullopt});
        }
        Db db = sampleDb();
        db.entries.insert(1, legacy);
        writeDatabase(db.encode());
        const QByteArray onDisk = readAll(dbPath());

        Store store(dataDir());
        const Entry& loaded = store.db().entries.at(1);
        QCOMPARE(describe(loaded.screenshots), expected);
        if (migrated) {
            QVERIFY(!loaded.screenshotFile.has_value());
            QVERIFY(!loaded.screenshotUrl.has_value());
            QVERIFY(!loaded.screenshotPendingUpload);
            QVERIFY(!loaded.screenshotCleared);
        } else {
            QVERIFY(loaded == legacy);
        }
        QCOMPARE(loaded.syncState, u"synced"_s);
        QCOMPARE(loaded.updatedAt, u"2025-11-03T12:00:00Z"_s);
        QVERIFY(store.db().entries.at(0) == db.entries.at(0));
        QVERIFY(store.db().entries.at(2) == db.entries.at(2));

        // Loading writes nothing; the next save carries the migrated form.
        QCOMPARE(readAll(dbPath()), onDisk);
        store.save();
        const QByteArray saved = readAll(dbPath());
        QCOMPARE(saved.contains("screenshot_url"), !migrated && !url.isNull());
        QCOMPARE(saved.contains("screenshot_file"), !migrated && !file.isNull());
        QCOMPARE(Store(dataDir()).db(), store.db());
    }

    void writeScreenshotNamesAndContent() {
        Store store(dataDir());
        const QByteArray png("\x89PNG\r\n\x1a\nimage bytes", 19);
        const std::optional<QString> first = store.writeScreenshot(png, u"png"_s);
        const std::optional<QString> second = store.writeScreenshot("other", u"jpg"_s);
        QVERIFY(first && second);
        static const QRegularExpression uuidName(
            u"^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.(png|jpg)$"_s);
        QVERIFY2(uuidName.match(*first).hasMatch(), qPrintable(*first));
        QVERIFY2(uuidName.match(*second).hasMatch(), qPrintable(*second));
        QVERIFY(first->endsWith(u".png"_s));
        QVERIFY(second->endsWith(u".jpg"_s));
        QCOMPARE(readAll(store.screenshotsDir() + u'/' + *first), png);
        QCOMPARE(readAll(store.screenshotsDir() + u'/' + *second), QByteArray("other"));
        QCOMPARE(folderItems(store.screenshotsDir()).size(), 2);
    }

    void writeScreenshotFailure_data() {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("ext");
        QTest::newRow("folder replaced by a file") << u"file"_s << u"png"_s;
        QTest::newRow("folder removed") << u"removed"_s << u"png"_s;
        QTest::newRow("extension with a slash") << QString() << u"png/x"_s;
    }

    void writeScreenshotFailure() {
        QFETCH(QString, breakage);
        QFETCH(QString, ext);
        Store store(dataDir());
        if (!breakage.isEmpty())
            QVERIFY(QDir(store.screenshotsDir()).removeRecursively());
        if (breakage == u"file"_s)
            QVERIFY(writeFile(store.screenshotsDir(), "not a folder"));
        QCOMPARE(store.writeScreenshot("bytes", ext), std::nullopt);
        if (breakage.isEmpty())
            QCOMPARE(folderItems(store.screenshotsDir()), QStringList());
    }

    void pruneKeepsOnlyReferencedFiles() {
        Store store(dataDir());
        const QString shots = store.screenshotsDir();
        for (const char* name : {"live.png", "tomb.png", "legacy.png", "server-name.png",
                                 "orphan.png", ".hidden", "notes.txt"})
            QVERIFY(writeFile(shots + u'/' + QString::fromLatin1(name), name));
        QVERIFY(QDir(shots).mkpath(u"sub/deeper"_s));
        QVERIFY(writeFile(shots + u"/sub/deeper/x.png"_s, "x"));

        Entry live = entry(u"e1"_s, u"Live"_s);
        live.screenshots = QList<Screenshot>{{u"2026/01/aaaaaaaaaa.png"_s, std::nullopt},
                                             {std::nullopt, u"live.png"_s}};
        Entry tomb = entry(u"e2"_s, u"Tomb"_s);
        tomb.serverId = 2;
        tomb.deleted = true;
        tomb.screenshots = QList<Screenshot>{{u"2026/01/bbbbbbbbbb.png"_s, u"tomb.png"_s}};
        Entry legacy = entry(u"e3"_s, u"Legacy"_s);
        legacy.screenshots.reset();
        legacy.screenshotFile = u"legacy.png"_s;
        Entry byServer = entry(u"e4"_s, u"Server only"_s);
        byServer.screenshots = QList<Screenshot>{{u"server-name.png"_s, std::nullopt}};
        store.db().entries = {live, tomb, legacy, byServer};

        store.pruneScreenshots();
        QCOMPARE(folderItems(shots), (QStringList{u"live.png"_s, u"tomb.png"_s}));
        QCOMPARE(readAll(shots + u"/tomb.png"_s), QByteArray("tomb.png"));
    }

    void pruneRemovesLinksNotTheirTargets() {
        Store store(dataDir());
        const QString outside = m_env->path(u"outside"_s);
        QVERIFY(writeFile(outside + u"/precious.txt"_s, "precious"));
        QVERIFY(QFile::link(outside, store.screenshotsDir() + u"/folder-link"_s));
        QVERIFY(
            QFile::link(outside + u"/precious.txt"_s, store.screenshotsDir() + u"/file-link"_s));
        store.pruneScreenshots();
        QCOMPARE(folderItems(store.screenshotsDir()), QStringList());
        QCOMPARE(readAll(outside + u"/precious.txt"_s), QByteArray("precious"));
    }

    void pruneWithoutFolderDoesNothing() {
        Store store(dataDir());
        QVERIFY(QDir(store.screenshotsDir()).removeRecursively());
        store.pruneScreenshots();
        QVERIFY(!QFileInfo::exists(store.screenshotsDir()));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "StoreTest.moc"

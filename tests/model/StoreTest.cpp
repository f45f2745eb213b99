#include "model/Store.h"
#include "TestEnv.h"
#include "model/EntryTextCache.h"

#include <QDir>
#include <QJsonDocument>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Permission bits of a path, or -1 when it does not exist.
int modeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray golden() {
    return readAll(QStringLiteral(ZEVRA_MODEL_TEST_DATA "/db-golden.json"));
}

// The golden file with one piece of its text replaced.
QByteArray goldenWith(const QByteArray& from, const QByteArray& to) {
    QByteArray bytes = golden();
    if (bytes.count(from) != 1)
        qFatal("the golden file does not hold \"%s\" once", from.constData());
    return bytes.replace(from, to);
}

QStringList describe(const std::optional<QList<Screenshot>>& shots) {
    QStringList out;
    for (const Screenshot& s : shots.value_or(QList<Screenshot>()))
        out << s.file.value_or(u"-"_s) + u' ' + s.server.value_or(u"-"_s);
    return out;
}

const QString asideSuffix = u".unreadable-20260105T093000Z"_s;

} // namespace

// db.json: its exact form, what makes it unreadable, owner-only files, keeping
// unreadable files aside, migration and the screenshot folder.
class StoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;

    QString dir() const { return m_env->dataDirectory(); }
    QString dbPath() const { return dir() + u"/db.json"_s; }

private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void goldenFileRoundTrip() {
        const std::optional<Db> db = Db::decode(golden());
        QVERIFY(db);
        QCOMPARE(db->encode(), golden());
        QCOMPARE(Db::decode(QJsonDocument::fromJson(golden()).toJson(QJsonDocument::Compact)), db);
        // Reading alone does not migrate the legacy fields.
        QCOMPARE(db->entries[2].screenshotFile, std::optional<QString>(u"legacy.png"_s));
        QVERIFY(!db->entries[2].screenshots && db->entries[2].deleted);
    }

    // Writing only what changed since the last pass must never serve a stale
    // entry, and the streamed text must be what QJsonDocument writes.
    void cachedEncodingFollowsChanges() {
        Db db = *Db::decode(golden());
        db.entries[1].description = u"\"\\/\b\f\n\r\t\x01\x1f\x7f é\u07ff\u0800€\uffff😀"_s +
                                    QChar(0xd800) + u"x"_s + QChar(0xdfff);
        EntryTextCache cache;
        QCOMPARE(db.encode(&cache), QJsonDocument(db.toJson()).toJson());
        db.entries[2].description = u"changed in place"_s;
        QCOMPARE(db.encode(&cache), db.encode());
        db.entries.removeFirst();
        QCOMPARE(db.encode(&cache), db.encode());
        Entry twin = db.entries.last(); // same id, other position and state
        twin.deleted = !twin.deleted;
        db.entries = {twin};
        QCOMPARE(db.encode(&cache), db.encode());
    }

    void unreadableForms_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        const auto row = [](const char* name, const QByteArray& bytes, bool readable) {
            QTest::newRow(name) << bytes << readable;
        };
        const QByteArray emptyList = "\"screenshots\": [\n            ],";
        row("garbage", "\x89PNG garbage", false);
        row("truncated", golden().left(golden().size() / 2), false);
        row("no settings", goldenWith("\"settings\": {", "\"setting\": {"), false);
        row("is_admin as text", goldenWith("\"is_admin\": true", "\"is_admin\": \"true\""), false);
        row("entry without deleted", goldenWith("\"deleted\": true,", ""), false);
        row("started_at null",
            goldenWith("\"started_at\": \"2025-11-03T11:00:00Z\"", "\"started_at\": null"), false);
        row("entry not an object", goldenWith("\"entries\": [", "\"entries\": [1,"), false);
        row("screenshots as text", goldenWith(emptyList, "\"screenshots\": \"a.png\","), false);
        row("server_id 301.5", goldenWith("\"server_id\": 301", "\"server_id\": 301.5"), false);
        row("uses 1e300", goldenWith("\"uses\": 14", "\"uses\": 1e300"), false);
        row("user_id null", goldenWith("\"user_id\": 5", "\"user_id\": null"), true);
        row("ended_at absent", goldenWith("\"ended_at\": \"2025-11-03T12:00:00Z\",", ""), true);
        row("screenshots null", goldenWith(emptyList, "\"screenshots\": null,"), true);
        row("client_color null",
            goldenWith("\"client_color\": \"#f97316\"", "\"client_color\": null"), true);
    }

    // One wrong record makes the whole file unreadable; absent or null optional
    // keys read as absent.
    void unreadableForms() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        const std::optional<Db> db = Db::decode(bytes);
        QCOMPARE(db.has_value(), readable);
        if (db)
            QVERIFY(!db->encode().contains("null"));
    }

    void foldersAndFilesAreOwnerOnly() {
        const QString deep = m_env->path() + u"/deep/er/org.zevra.tikit"_s;
        Store store(deep);
        QCOMPARE(modeOf(deep), 0700);
        QCOMPARE(modeOf(store.screenshotsDir()), 0700);
        store.db().settings.userName = u"Ada"_s;
        qputenv("ZEVRA_NO_SAVE", ""); // set, even empty: nothing is written
        store.save();
        qunsetenv("ZEVRA_NO_SAVE");
        QVERIFY(!QFileInfo::exists(store.dbPath()));
        store.save();
        QCOMPARE(modeOf(store.dbPath()), 0600);
        QVERIFY(QFile::setPermissions(store.dbPath(), QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ReadGroup | QFile::ReadOther));
        store.save();
        QCOMPARE(modeOf(store.dbPath()), 0600);

        const std::optional<QString> shot = store.writeScreenshot("image", u"png"_s);
        QVERIFY(shot && shot->size() == 40 && shot->endsWith(u".png"_s)); // "<uuid>.png"
        QCOMPARE(readAll(store.screenshotsDir() + u'/' + *shot), QByteArray("image"));
        QCOMPARE(modeOf(store.screenshotsDir() + u'/' + *shot), 0600);
        QCOMPARE(store.writeScreenshot("image", u"png/x"_s), std::nullopt);
    }

    void unreadableDatabaseIsKeptAside_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("garbage") << QByteArray("\x00\xff garbage {", 12);
        QTest::newRow("an entry without deleted") << goldenWith("\"deleted\": true,", "");
    }

    void unreadableDatabaseIsKeptAside() {
        QFETCH(QByteArray, bytes);
        QVERIFY(QDir().mkpath(dir()));
        QVERIFY(writeFile(dbPath(), bytes));
        QVERIFY(QFile::setPermissions(dbPath(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ReadGroup | QFile::ReadOther));
        const QString aside = dbPath() + asideSuffix;

        Store store(dir());
        QCOMPARE(store.db(), Db());
        QCOMPARE(readAll(aside), bytes);
        QCOMPARE(modeOf(aside), 0600);
        { Store again(dir()); } // same second, the file still unreadable: its own copy
        QCOMPARE(readAll(aside + u"-2"_s), bytes);

        store.db().settings.userName = u"Ada"_s;
        store.save();
        QCOMPARE(Store(dir()).db().settings.userName, u"Ada"_s);
        QCOMPARE(readAll(aside), bytes);
    }

    // What cannot even be opened as a file is moved aside whole.
    void folderInPlaceOfDatabaseIsMovedAside() {
        QVERIFY(QDir().mkpath(dbPath()));
        QVERIFY(writeFile(dbPath() + u"/inner.txt"_s, "keep me"));
        Store store(dir());
        QCOMPARE(store.db(), Db());
        store.save();
        QVERIFY(Db::decode(readAll(dbPath())));
        QCOMPARE(readAll(dbPath() + asideSuffix + u"/inner.txt"_s), QByteArray("keep me"));
    }

    // Loading turns the single-picture fields of older files into lists, once.
    void migration() {
        Db db = *Db::decode(golden());
        const QString url = u"https://t.test/uploads/2025/11/8C1E0A3B.png?v=2"_s;
        db.entries[0].screenshots.reset();
        db.entries[0].screenshotUrl = u"https://t.test/2025/11/8c1e0a3.png"_s;
        db.entries[1].screenshotFile = u"kept.png"_s; // a list is there: left alone
        db.entries[2].screenshotUrl = url;
        QVERIFY(QDir().mkpath(dir()));
        QVERIFY(writeFile(dbPath(), db.encode()));

        const QList<Entry> loaded = Store(dir()).db().entries;
        QCOMPARE(describe(loaded[0].screenshots),
                 QStringList{u"- https://t.test/2025/11/8c1e0a3.png"_s});
        QCOMPARE(loaded[1], db.entries[1]);
        QCOMPARE(describe(loaded[2].screenshots),
                 (QStringList{u"legacy.png -"_s, u"- 2025/11/8C1E0A3B.png"_s}));
        QVERIFY(!loaded[2].screenshotFile && !loaded[2].screenshotUrl);
        QVERIFY(!loaded[2].screenshotPendingUpload && !loaded[2].screenshotCleared);
        QCOMPARE(loaded[2].updatedAt, db.entries[2].updatedAt);
    }

    void screenshotPathStaysInFolder() {
        const Store store(dir());
        QCOMPARE(*store.screenshotPath(u"a..png"_s), store.screenshotsDir() + u"/a..png"_s);
        for (const QString& name :
             {QString(), u"."_s, u".."_s, u"../db.json"_s, u"/etc/passwd"_s, u"a.png"_s + QChar(0)})
            QVERIFY2(!store.screenshotPath(name), qPrintable(name));
    }

    void pruneKeepsOnlyReferencedFiles() {
        Store store(dir());
        const QString shots = store.screenshotsDir();
        const QString outside = m_env->path(u"outside"_s);
        QVERIFY(writeFile(outside + u"/precious.txt"_s, "precious"));
        for (const QString& name : {u"live.png"_s, u"tomb.png"_s, u"orphan.png"_s, u".hidden"_s})
            QVERIFY(writeFile(shots + u'/' + name, name.toLatin1()));
        QVERIFY(QDir(shots).mkpath(u"sub/deeper"_s));
        QVERIFY(QFile::link(outside, shots + u"/folder-link"_s));

        Db db = *Db::decode(golden());
        db.entries[0].screenshots = QList<Screenshot>{{std::nullopt, u"live.png"_s}};
        db.entries[1].screenshots = QList<Screenshot>{{u"orphan.png"_s, std::nullopt}};
        db.entries[2].screenshots = QList<Screenshot>{{u"2026/01/aaaaaaaaaa.png"_s, u"tomb.png"_s}};
        store.db() = db;
        store.pruneScreenshots();
        QCOMPARE(QDir(shots).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                       QDir::NoDotAndDotDot),
                 (QStringList{u"live.png"_s, u"tomb.png"_s}));
        QCOMPARE(readAll(outside + u"/precious.txt"_s), QByteArray("precious"));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "StoreTest.moc"

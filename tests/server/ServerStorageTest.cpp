#include "DataFolder.h"
#include "PictureStore.h"
#include "ServerTime.h"
#include "Storage.h"
#include "StorageError.h"
#include "TestEnv.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

// The database underneath: schema versions, SQLite settings, and the time and
// picture-path helpers the storage relies on.
class ServerStorageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;

    // Runs one statement on the file through a separate connection.
    static QVariant query(const QString& file, const QString& sql) {
        QVariant value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"inspect"_s);
            db.setDatabaseName(file);
            if (!db.open())
                qFatal("cannot open %s", qPrintable(file));
            QSqlQuery q(db);
            if (!q.exec(sql))
                qFatal("cannot run %s", qPrintable(sql));
            if (q.next())
                value = q.value(0);
        }
        QSqlDatabase::removeDatabase(u"inspect"_s);
        return value;
    }

private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void schemaIsCreatedOnceAndKept() {
        const QString file = m_env->path() + u"/db.sqlite"_s;
        {
            Storage storage;
            QString error;
            QVERIFY2(storage.open(file, &error), qPrintable(error));
            storage.createUser(u"Ada"_s, true, "hash", 0);
            storage.createClient(u"Acme"_s, u"#112233"_s, 1, 0);
        }
        QCOMPARE(query(file, u"SELECT version FROM schema_version"_s).toInt(),
                 Storage::schemaVersion());
        QCOMPARE(query(file, u"SELECT COUNT(*) FROM schema_version"_s).toInt(), 1);
        QCOMPARE(query(file, u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
        {
            Storage storage;
            QVERIFY(storage.open(file, nullptr));
            QCOMPARE(storage.users().size(), 1);
            QCOMPARE(storage.userByKeyHash("hash")->name, u"Ada"_s);
            QCOMPARE(storage.clients().size(), 1);
        }
        QCOMPARE(query(file, u"SELECT COUNT(*) FROM schema_version"_s).toInt(), 1);
    }

    void newerSchemaIsRefused() {
        const QString file = m_env->path() + u"/db.sqlite"_s;
        {
            Storage storage;
            QVERIFY(storage.open(file, nullptr));
        }
        query(file, u"UPDATE schema_version SET version = 999"_s);
        Storage storage;
        QString error;
        QVERIFY(!storage.open(file, &error));
        QVERIFY2(error.contains(u"newer zevra-server"_s), qPrintable(error));
    }

    void foreignKeysAndUniqueNamesHold() {
        Storage storage;
        QVERIFY(storage.open(m_env->path() + u"/db.sqlite"_s, nullptr));
        const ServerUser ada = storage.createUser(u"Ada"_s, true, "h1", 0);
        ServerEntry e;
        e.userId = 999; // nobody
        e.ref = u"r"_s;
        QVERIFY_THROWS_EXCEPTION(StorageError, storage.insertEntry(e));
        storage.createClient(u"Acme"_s, u"#112233"_s, ada.id, 0);
        QVERIFY_THROWS_EXCEPTION(StorageError,
                                 storage.createClient(u" ACME "_s, u"#000000"_s, ada.id, 0));
        QCOMPARE(storage.clientByName(u"acme"_s)->name, u"Acme"_s);
    }

    void entryRoundTrip() {
        Storage storage;
        QVERIFY(storage.open(m_env->path() + u"/db.sqlite"_s, nullptr));
        const ServerUser ada = storage.createUser(u"Ada"_s, true, "h1", 0);
        ServerEntry e;
        e.userId = ada.id;
        e.ref = u"r1"_s;
        e.description = u"Work"_s;
        e.startedAt = 100;
        e.endedAt = 200;
        e.updatedAt = 300;
        e.id = storage.insertEntry(e);
        storage.setScreenshots(e.id, {u"b"_s, u"a"_s});
        const auto stored = storage.entryByRef(ada.id, u"r1"_s);
        QVERIFY(stored);
        QCOMPARE(stored->id, e.id);
        QCOMPARE(stored->endedAt, std::optional<qint64>(200));
        QVERIFY(!stored->clientId);
        QCOMPARE(stored->screenshots, (QStringList{u"b"_s, u"a"_s}));
        storage.deleteEntry(*stored, 400);
        QVERIFY(!storage.entry(e.id));
        QVERIFY(storage.screenshots(e.id).isEmpty());
        QCOMPARE(storage.deletedEntryByRef(ada.id, u"r1"_s)->entryId, e.id);
        QCOMPARE(storage.deletedSince(ada.id, 400), QList<qint64>{e.id});
        QVERIFY(storage.deletedSince(ada.id, 401).isEmpty());
    }

    void isoText_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << qint64(0) << u"1970-01-01T00:00:00Z"_s;
        QTest::newRow("leap day") << qint64(1709210096) << u"2024-02-29T12:34:56Z"_s;
        QTest::newRow("before epoch") << qint64(-1) << u"1969-12-31T23:59:59Z"_s;
        QTest::newRow("year 2100") << qint64(4107542400) << u"2100-03-01T00:00:00Z"_s;
    }

    void isoText() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(ServerTime::iso(seconds), text);
        QCOMPARE(ServerTime::parse(text), std::optional<qint64>(seconds));
    }

    void parsing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("fraction dropped") << u"2026-01-05T09:30:00.999Z"_s << qint64(1767605400);
        QTest::newRow("offset") << u"2026-01-05T10:30:00+01:00"_s << qint64(1767605400);
        QTest::newRow("fraction before epoch") << u"1969-12-31T23:59:59.5Z"_s << qint64(-1);
        QTest::newRow("not a date") << u"soon"_s << qint64(-99);
        QTest::newRow("no zone") << u"2026-01-05T09:30:00"_s << qint64(-99);
    }

    void parsing() {
        QFETCH(QString, text);
        QFETCH(qint64, seconds);
        const auto parsed = ServerTime::parse(text);
        if (seconds == -99)
            QVERIFY(!parsed);
        else
            QCOMPARE(parsed, std::optional<qint64>(seconds));
    }

    void pictureTypes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("ext");
        QTest::newRow("png") << "\x89PNG\r\n\x1a\nrest"_ba << u"png"_s;
        QTest::newRow("jpeg") << "\xff\xd8\xff\xdb"_ba << u"jpg"_s;
        QTest::newRow("gif87") << "GIF87a.."_ba << u"gif"_s;
        QTest::newRow("webp") << "RIFF\x10\x00\x00\x00WEBPVP8 "_ba << u"webp"_s;
        QTest::newRow("riff but wave") << "RIFF\x10\x00\x00\x00WAVEfmt "_ba << QString();
        QTest::newRow("truncated png") << "\x89PNG"_ba << QString();
        QTest::newRow("bmp") << "BM\x36\x00"_ba << QString();
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void pictureTypes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, ext);
        QCOMPARE(PictureStore::detectExtension(bytes).value_or(QString()), ext);
    }

    void picturePaths_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reduced");
        QTest::addColumn<bool>("stored");
        const QString hex = u"0123456789abcdef0123456789abcdef"_s;
        QTest::newRow("stored form")
            << u"2026/01/"_s + hex + u".png"_s << u"2026/01/"_s + hex + u".png"_s << true;
        QTest::newRow("inside a URL") << u"https://h/uploads/2026/01/"_s + hex + u".jpg?x=1"_s
                                      << u"2026/01/"_s + hex + u".jpg"_s << false;
        QTest::newRow("upper case")
            << u"2024/05/ABCDEF12.PNG"_s << u"2024/05/ABCDEF12.PNG"_s << false;
        QTest::newRow("short name") << u"2026/01/abc.png"_s << QString() << false;
        QTest::newRow("other extension")
            << u"2026/01/"_s + hex + u".svg"_s << u"2026/01/"_s + hex + u".svg"_s << false;
        QTest::newRow("traversal")
            << u"../2026/01/"_s + hex + u".png"_s << u"2026/01/"_s + hex + u".png"_s << false;
    }

    void picturePaths() {
        QFETCH(QString, text);
        QFETCH(QString, reduced);
        QFETCH(bool, stored);
        QCOMPARE(PictureStore::reduce(text).value_or(QString()), reduced);
        QCOMPARE(PictureStore::isStoredPath(text), stored);
    }
};

QTEST_MAIN(ServerStorageTest)
#include "ServerStorageTest.moc"

#include "AppModelFixture.h"

#include <QDir>
#include <QLocale>

using namespace ModelTest;

// Clients, settings, the readers and the sync guards of the tracking model.
class AppModelClientsTest : public ModelTest::AppModelFixture {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void addClientMatchesExisting_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<bool>("archived");

        QTest::newRow("lower case with blanks, archived") << u"  acme \n"_s << u"ACME"_s << true;
        QTest::newRow("lower case with blanks, active") << u"\tacme "_s << u"ACME"_s << false;
        QTest::newRow("mixed case") << u"AcMe"_s << u"acme"_s << false;
        QTest::newRow("accented capitals") << u"ÉCOLE DU ÜBER"_s << u"école du über"_s << true;
    }

    void addClientMatchesExisting() {
        QFETCH(QString, name);
        QFETCH(QString, existing);
        QFETCH(bool, archived);
        db().clients = {makeClient(u"c0"_s, u"Other"_s),
                        makeClient(u"c1"_s, existing, archived, 5)};
        const std::optional<Client> got = m_model->addClient(name, u"#123456"_s);
        QVERIFY(got.has_value());
        QCOMPARE(got->id, u"c1"_s);
        QCOMPARE(got->name, existing);
        QCOMPARE(got->color, u"#8b5cf6"_s); // the asked-for colour is ignored
        QVERIFY(!got->archived);
        QCOMPARE(got->syncState, u"synced"_s);
        QCOMPARE(db().clients.size(), 2);
        QVERIFY(!db().clients[1].archived);
        QCOMPARE(db().clients[1].syncState, u"synced"_s);
        // Only un-archiving is a change.
        QCOMPARE(m_changes, archived ? 1 : 0);
        QCOMPARE(QFileInfo::exists(dbPath()), archived);
        if (archived)
            QVERIFY(savedMatches());
    }

    void addClientWithEmptyName_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << u"  \t\n "_s;
    }

    void addClientWithEmptyName() {
        QFETCH(QString, name);
        QCOMPARE(m_model->addClient(name, std::nullopt), std::nullopt);
        QVERIFY(db().clients.isEmpty());
        QCOMPARE(m_changes, 0);
    }

    void addClientCreates() {
        db().clients = {makeClient(u"c1"_s, u"Acme"_s)};
        const std::optional<Client> got = m_model->addClient(u"  Acme Labs \n"_s, u"#ABCDEF"_s);
        QVERIFY(got.has_value());
        QVERIFY2(isLocalId(got->id), qPrintable(got->id));
        QCOMPARE(got->name, u"Acme Labs"_s);
        QCOMPARE(got->color, u"#ABCDEF"_s);
        QVERIFY(!got->serverId);
        QVERIFY(!got->archived);
        QCOMPARE(got->syncState, u"pending"_s);
        QCOMPARE(db().clients.size(), 2);
        QVERIFY(db().clients.last() == *got);
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
        QCOMPARE(m_model->pendingCount(), 1);
    }

    void addClientTakesPaletteEntry_data() {
        QTest::addColumn<int>("existing");
        QTest::addColumn<int>("archived");
        QTest::addColumn<QString>("color");

        QTest::newRow("first client") << 0 << 0 << u"#FAAF3B"_s;
        QTest::newRow("second client") << 1 << 0 << u"#f97316"_s;
        QTest::newRow("sixteenth client") << 15 << 0 << u"#64748b"_s;
        QTest::newRow("seventeenth wraps") << 16 << 0 << u"#FAAF3B"_s;
        QTest::newRow("eighteenth client") << 17 << 0 << u"#f97316"_s;
        QTest::newRow("archived ones count") << 17 << 9 << u"#f97316"_s;
        QTest::newRow("thirty-fourth client") << 33 << 0 << u"#f97316"_s;
    }

    void addClientTakesPaletteEntry() {
        QFETCH(int, existing);
        QFETCH(int, archived);
        QFETCH(QString, color);
        for (int i = 0; i < existing; ++i)
            db().clients.append(makeClient(u"c"_s + QString::number(i),
                                           u"Client "_s + QString::number(i), i < archived));
        const std::optional<Client> got = m_model->addClient(u"Newcomer"_s, std::nullopt);
        QVERIFY(got.has_value());
        QCOMPARE(got->color, color);
        QCOMPARE(db().clients.size(), existing + 1);
    }

    void setClientColor_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("uploaded");
        QTest::newRow("synced client with server id") << u"c1"_s << true;
        QTest::newRow("pending client without server id") << u"c2"_s << false;
    }

    void setClientColor() {
        QFETCH(QString, id);
        QFETCH(bool, uploaded);
        db().clients = {makeClient(u"c0"_s, u"Zero"_s), makeClient(u"c1"_s, u"One"_s, false, 41),
                        makeClient(u"c2"_s, u"Two"_s)};
        db().clients[2].syncState = u"pending"_s;
        const QList<Client> before = db().clients;
        m_model->setClientColor(id, u"#0ea5e9"_s);

        const int i = id == u"c1"_s ? 1 : 2;
        QCOMPARE(db().clients[i].color, u"#0ea5e9"_s);
        QCOMPARE(db().clients[i].syncState, before[i].syncState);
        QVERIFY(db().clients[0] == before[0]);
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
        QCOMPARE(m_uploads.size(), uploaded ? 1 : 0);
        if (uploaded) {
            QCOMPARE(m_uploads[0].store, &m_model->store());
            QCOMPARE(m_uploads[0].serverId, qint64(41));
            QCOMPARE(m_uploads[0].hex, u"#0ea5e9"_s);
        }
    }

    void setClientColorOfUnknownClient() {
        db().clients = {makeClient(u"c1"_s, u"One"_s, false, 41)};
        m_model->setClientColor(u"nope"_s, u"#0ea5e9"_s);
        QCOMPARE(db().clients[0].color, u"#8b5cf6"_s);
        QCOMPARE(m_changes, 0);
        QVERIFY(m_uploads.isEmpty());
        QVERIFY(!QFileInfo::exists(dbPath()));
    }

    void setSettings_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("storedServer");
        QTest::addColumn<QString>("storedKey");
        QTest::addColumn<bool>("keepsLastSync");

        // Stored before: "https://tikit.test/base" with key "k1" and a last sync.
        const QString base = u"https://tikit.test/base"_s;
        QTest::newRow("same") << base << u"k1"_s << base << u"k1"_s << true;
        QTest::newRow("trailing slash") << base + u'/' << u"k1"_s << base << u"k1"_s << true;
        QTest::newRow("blanks and slashes")
            << u"  https://tikit.test/base/// \n"_s << u"k1"_s << base << u"k1"_s << true;
        QTest::newRow("other server")
            << u"https://other.test"_s << u"k1"_s << u"https://other.test"_s << u"k1"_s << false;
        QTest::newRow("other key") << base << u"k2"_s << base << u"k2"_s << false;
        QTest::newRow("key with blanks") << base << u" k1 \n"_s << base << u"k1"_s << false;
        QTest::newRow("only slashes") << u"///"_s << u"k1"_s << QString() << u"k1"_s << false;
    }

    void setSettings() {
        QFETCH(QString, server);
        QFETCH(QString, key);
        QFETCH(QString, storedServer);
        QFETCH(QString, storedKey);
        QFETCH(bool, keepsLastSync);
        db().settings.server = u"https://tikit.test/base"_s;
        db().settings.apiKey = u"k1"_s;
        db().settings.userName = u"Ada"_s;
        db().settings.lastSync = u"2026-01-05T09:00:00Z"_s;

        m_model->setSettings(server, key);

        QCOMPARE(db().settings.server, storedServer);
        QCOMPARE(db().settings.apiKey, storedKey);
        QCOMPARE(db().settings.userName, u"Ada"_s);
        QCOMPARE(db().settings.lastSync.has_value(), keepsLastSync);
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
        QVERIFY(m_sync.calls.isEmpty());
    }

    void runningIsFirstUndeletedWithoutEnd() {
        QVERIFY(!m_model->running());
        Entry tomb = makeEntry(u"t0"_s, u"Tomb"_s, earlier, std::nullopt);
        tomb.deleted = true;
        entries() = {tomb, makeEntry(u"f0"_s, u"Done"_s, earlier, u"2026-01-05T08:10:00Z"_s),
                     makeEntry(u"r1"_s, u"First"_s, earlier, std::nullopt),
                     makeEntry(u"r2"_s, u"Second"_s, earlier, std::nullopt)};
        QCOMPARE(m_model->running()->id, u"r1"_s);
        entries().removeAt(2);
        QCOMPARE(m_model->running()->id, u"r2"_s);
        entries().removeAt(2);
        QVERIFY(!m_model->running());
    }

    void pendingCountCountsEntriesClientsAndTombstones() {
        QCOMPARE(m_model->pendingCount(), 0);
        seedEntries(); // all synced
        QCOMPARE(m_model->pendingCount(), 0);
        entries()[2].syncState = Entry::pending; // the tombstone
        entries()[0].syncState = Entry::pending;
        db().clients = {makeClient(u"c1"_s, u"A"_s), makeClient(u"c2"_s, u"B"_s, true),
                        makeClient(u"c3"_s, u"C"_s)};
        db().clients[1].syncState = u"pending"_s;
        QCOMPARE(m_model->pendingCount(), 3);
    }

    void clientsSortedByNameWithoutArchived() {
        db().clients = {makeClient(u"c1"_s, u"beta"_s),  makeClient(u"c2"_s, u"Zulu"_s),
                        makeClient(u"c3"_s, u"alpha"_s), makeClient(u"c4"_s, u"Ärger"_s),
                        makeClient(u"c5"_s, u"Alpha"_s), makeClient(u"c6"_s, u"Aardvark"_s, true),
                        makeClient(u"c7"_s, u"delta"_s), makeClient(u"c8"_s, u"ALPHA"_s)};
        QStringList ids;
        for (const Client& c : m_model->clients())
            ids << c.id;
        // Case-insensitive, accents by the locale's rules, equal names in
        // database order, archived left out.
        QCOMPARE(ids, (QStringList{u"c3"_s, u"c5"_s, u"c8"_s, u"c4"_s, u"c1"_s, u"c7"_s, u"c2"_s}));
    }

    void clientLookupIncludesArchived() {
        db().clients = {makeClient(u"c1"_s, u"A"_s), makeClient(u"c2"_s, u"B"_s, true),
                        makeClient(u"c2"_s, u"B duplicate"_s)};
        QCOMPARE(m_model->client(std::nullopt), std::nullopt);
        QCOMPARE(m_model->client(u"nope"_s), std::nullopt);
        QCOMPARE(m_model->client(u"c2"_s)->name, u"B"_s);
        QVERIFY(m_model->client(u"c2"_s)->archived);
    }

    void syncNowStartsOneAtATime() {
        db().settings.apiKey = u"key"_s;
        m_model->syncNow();
        m_model->syncNow();
        QCOMPARE(m_sync.calls.size(), 1);
        QVERIFY(m_model->syncing());
        QCOMPARE(m_sync.calls[0].store, &m_model->store());
        QCOMPARE(m_sync.calls[0].context, m_model.get());
        QCOMPARE(m_changes, 0);

        SyncSummary summary;
        summary.online = true;
        summary.pending = 2;
        summary.serverTime = u"2026-01-05T09:30:01Z"_s;
        m_sync.calls[0].done(summary);
        QVERIFY(!m_model->syncing());
        QCOMPARE(m_model->lastSync(), std::optional<SyncSummary>(summary));
        QCOMPARE(m_changes, 1);

        m_model->syncNow();
        QCOMPARE(m_sync.calls.size(), 2);
        SyncSummary failed;
        failed.online = false;
        failed.error = u"Server unreachable"_s;
        failed.pending = 4;
        m_sync.calls[1].done(failed);
        QCOMPARE(m_model->lastSync(), std::optional<SyncSummary>(failed));
        QVERIFY(!m_model->syncing());
        QCOMPARE(m_changes, 2);
    }

    void syncNowNeedsServerAndKey_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("key");
        QTest::newRow("no key") << u"http://127.0.0.1:8080"_s << QString();
        QTest::newRow("no server") << QString() << u"key"_s;
        QTest::newRow("neither") << QString() << QString();
    }

    void syncNowNeedsServerAndKey() {
        QFETCH(QString, server);
        QFETCH(QString, key);
        db().settings.server = server;
        db().settings.apiKey = key;
        m_model->syncNow();
        QVERIFY(m_sync.calls.isEmpty());
        QVERIFY(!m_model->syncing());
        QCOMPARE(m_changes, 0);
    }

    void syncFinishingAfterModelIsGone() {
        db().settings.apiKey = u"key"_s;
        m_model->syncNow();
        QCOMPARE(m_sync.calls.size(), 1);
        m_model.reset();
        m_sync.calls[0].done(SyncSummary{true, std::nullopt, 0, std::nullopt});
        QCOMPARE(m_changes, 0);
    }
};

QTEST_GUILESS_MAIN(AppModelClientsTest)
#include "AppModelClientsTest.moc"

#include "model/AppModel.h"
#include "TestEnv.h"
#include "model/Time.h"

#include <QDir>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString earlier = u"2026-01-05T08:00:00Z"_s;

Entry makeEntry(const QString& id, const std::optional<QString>& endedAt) {
    Entry e;
    e.id = id;
    e.description = id.toUpper();
    e.startedAt = e.updatedAt = earlier;
    e.endedAt = endedAt;
    e.screenshots = QList<Screenshot>{};
    e.syncState = Entry::synced;
    return e;
}

Client makeClient(const QString& id, const QString& name, bool archived = false,
                  std::optional<qint64> serverId = std::nullopt) {
    Client c;
    c.id = id;
    c.name = name;
    c.archived = archived;
    c.serverId = serverId;
    return c;
}

} // namespace

// The tracking model: every change replaces a record by id, saves the whole
// database and notifies once; clients, settings and the sync guards.
class AppModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppModel> m_model;
    QList<AppModel::SyncDone> m_syncs;
    QList<std::pair<qint64, QString>> m_uploads;
    int m_changes = 0;

    Db& db() { return m_model->store().db(); }
    QList<Entry>& entries() { return db().entries; }
    QString now() const { return Time::iso(Clock::now()); }
    QString shotPath(const QString& name) const {
        return m_model->store().screenshotsDir() + u'/' + name;
    }
    // The file holds exactly the database in memory.
    bool saved() {
        QFile file(m_model->store().dbPath());
        return file.open(QIODevice::ReadOnly) && Db::decode(file.readAll()) == db();
    }

    // Running r1 (no server id), finished f1 (server id 11) and a tombstone t1.
    void seedEntries() {
        Entry f1 = makeEntry(u"f1"_s, u"2026-01-05T08:30:00Z"_s);
        f1.serverId = 11;
        f1.clientId = u"c1"_s;
        Entry t1 = makeEntry(u"t1"_s, std::nullopt);
        t1.serverId = 12;
        t1.deleted = true;
        entries() = {makeEntry(u"r1"_s, std::nullopt), f1, t1};
    }

    Entry stored(const QString& id) {
        for (const Entry& e : entries()) {
            if (e.id == id)
                return e;
        }
        return Entry();
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init() {
        m_env = std::make_unique<TestEnv>();
        m_model = std::make_unique<AppModel>(m_env->dataDirectory());
        m_syncs.clear();
        m_uploads.clear();
        m_changes = 0;
        m_model->setOnChange([this] { ++m_changes; });
        m_model->setSyncRunner([this](Store& store, QObject* context, AppModel::SyncDone done) {
            QCOMPARE(&store, &m_model->store());
            QCOMPARE(context, m_model.get());
            m_syncs.append(std::move(done));
        });
        m_model->setColorUploader([this](Store&, qint64 serverId, const QString& hex) {
            m_uploads.append({serverId, hex});
        });
    }

    void cleanup() {
        m_model.reset();
        m_env.reset();
    }

    void startStopsRunningAndAttachesPendingShots() {
        seedEntries();
        entries().append(makeEntry(u"r2"_s, std::nullopt));
        m_model->pendingShots() = {{u"A"_s, "image", u"png"_s}, {u"B"_s, "lost", u"a/b"_s}};
        m_env->clock().advance(90'500);

        m_model->start(u"  Write report \n"_s, u"c1"_s);

        QCOMPARE(entries().size(), 5);
        for (const QString& id : {u"r1"_s, u"r2"_s}) {
            QCOMPARE(stored(id).endedAt, std::optional<QString>(u"2026-01-05T09:31:30Z"_s));
            QCOMPARE(stored(id).syncState, Entry::pending);
        }
        QCOMPARE(stored(u"f1"_s).syncState, Entry::synced);
        const Entry started = entries().last();
        QCOMPARE(m_model->running()->id, started.id);
        QCOMPARE(started.id.size(), 36);
        QCOMPARE(started.description, u"Write report"_s);
        QCOMPARE(started.clientId, std::optional<QString>(u"c1"_s));
        QCOMPARE(started.startedAt, u"2026-01-05T09:31:30Z"_s);
        QCOMPARE(started.syncState, Entry::pending);
        QCOMPARE(started.screenshots->size(), 1); // the unwritable one is dropped
        QCOMPARE(QFile(shotPath(*started.screenshots->at(0).file)).size(), 5);
        QVERIFY(m_model->pendingShots().isEmpty());
        QCOMPARE(m_changes, 1);
        QVERIFY(saved());

        m_model->start(u" \t\n"_s, std::nullopt);
        QCOMPARE(entries().last().description, QString());
        QVERIFY(!entries().last().screenshots);
    }

    // Each change replaces one record, found by id, and marks it pending.
    void entryChanges() {
        seedEntries();
        const QList<Entry> before = entries();
        m_env->clock().advance(60'000);
        m_model->stop(stored(u"r1"_s));
        m_model->updateDescription(stored(u"f1"_s), u" \tReview\n"_s);
        m_model->updateClient(stored(u"f1"_s), std::nullopt);
        m_model->updateClient(stored(u"r1"_s), u"c2"_s);
        m_model->updateTimes(stored(u"f1"_s), u"2026-01-04T10:00:00Z"_s, std::nullopt);
        m_model->stop(makeEntry(u"gone"_s, std::nullopt));

        QCOMPARE(m_changes, 6);
        QCOMPARE(entries()[2], before[2]);
        const Entry r1 = entries()[0], f1 = entries()[1];
        QCOMPARE(r1.endedAt, std::optional<QString>(now()));
        QCOMPARE(r1.clientId, std::optional<QString>(u"c2"_s));
        QCOMPARE(f1.description, u"Review"_s);
        QCOMPARE(f1.clientId, std::nullopt);
        QCOMPARE(f1.startedAt, u"2026-01-04T10:00:00Z"_s);
        QVERIFY(f1.isRunning() && f1.serverId == 11);
        for (const Entry& e : {r1, f1})
            QVERIFY(e.syncState == Entry::pending && e.updatedAt == now());
        QVERIFY(saved());
    }

    void addScreenshot() {
        seedEntries();
        entries()[1].screenshots = QList<Screenshot>{{u"2026/01/aaaaaaaaaa.png"_s, std::nullopt}};
        entries()[1].description = u"Renamed meanwhile"_s;
        m_model->addScreenshot(makeEntry(u"f1"_s, std::nullopt), "png bytes", u"png"_s);
        const Entry e = stored(u"f1"_s);
        QCOMPARE(e.description, u"Renamed meanwhile"_s); // appended to the stored copy
        QCOMPARE(e.screenshots->size(), 2);
        QCOMPARE(QFile(shotPath(*e.screenshots->at(1).file)).size(), 9);
        QCOMPARE(e.syncState, Entry::pending);
        QCOMPARE(m_changes, 1);

        m_model->addScreenshot(e, "x", u"png/x"_s); // cannot be written: no change
        QCOMPARE(stored(u"f1"_s), e);
        QCOMPARE(m_changes, 1);
    }

    // Removing a picture deletes its local file; an index outside the list
    // changes nothing.
    void removeScreenshot() {
        seedEntries();
        entries()[1].screenshots = QList<Screenshot>{
            {std::nullopt, u"a.png"_s}, {u"s"_s, std::nullopt}, {u"b"_s, u"b.png"_s}};
        for (const QString& name : {u"a.png"_s, u"b.png"_s})
            QVERIFY(QFile(shotPath(name)).open(QIODevice::WriteOnly));
        const auto left = [this] {
            QStringList out;
            const Entry f1 = stored(u"f1"_s);
            for (const Screenshot& s : *f1.screenshots)
                out << s.server.value_or(*s.file);
            return out;
        };
        m_model->removeScreenshot(stored(u"f1"_s), 3);
        m_model->removeScreenshot(stored(u"f1"_s), -1);
        m_model->removeScreenshot(makeEntry(u"gone"_s, std::nullopt), 0);
        QCOMPARE(m_changes, 0);
        QCOMPARE(left(), (QStringList{u"a.png"_s, u"s"_s, u"b"_s}));
        m_model->removeScreenshot(stored(u"f1"_s), 2);
        QVERIFY(!QFileInfo::exists(shotPath(u"b.png"_s)));
        QCOMPARE(left(), (QStringList{u"a.png"_s, u"s"_s}));
        m_model->removeScreenshot(stored(u"f1"_s), 1);
        QCOMPARE(left(), QStringList{u"a.png"_s});
        QVERIFY(QFileInfo::exists(shotPath(u"a.png"_s)));
        m_model->removeScreenshot(stored(u"f1"_s), 0);
        QVERIFY(!QFileInfo::exists(shotPath(u"a.png"_s)));
        QCOMPARE(left(), QStringList());
        QCOMPARE(m_changes, 3);
        QCOMPARE(stored(u"f1"_s).syncState, Entry::pending);
        QVERIFY(saved());
    }

    void deleteEntry() {
        seedEntries();
        m_model->deleteEntry(stored(u"f1"_s)); // known to the server: a tombstone
        QVERIFY(stored(u"f1"_s).deleted);
        QCOMPARE(stored(u"f1"_s).syncState, Entry::pending);
        QCOMPARE(m_model->pendingCount(), 1);
        m_model->deleteEntry(stored(u"r1"_s)); // never synced: removed
        QCOMPARE(entries().size(), 2);
        QCOMPARE(m_changes, 2);
        m_model->deleteEntry(makeEntry(u"gone"_s, std::nullopt));
        QCOMPARE(m_changes, 2);
        QVERIFY(saved());
    }

    void addClient() {
        for (int i = 0; i < 17; ++i)
            m_model->addClient(u" Client %1 \n"_s.arg(i), std::nullopt);
        QCOMPARE(m_changes, 17);
        QCOMPARE(db().clients[0].name, u"Client 0"_s);
        QCOMPARE(db().clients[0].color, u"#FAAF3B"_s);
        QCOMPARE(db().clients[15].color, u"#64748b"_s); // the last palette colour
        QCOMPARE(db().clients[16].color, u"#FAAF3B"_s); // then it wraps
        QCOMPARE(db().clients[16].syncState, Entry::pending);
        QCOMPARE(db().clients[16].id.size(), 36);
        QVERIFY(saved());

        db().clients[1].archived = true; // archived ones count for the colour
        QCOMPARE(m_model->addClient(u"Acme"_s, u"#ABCDEF"_s)->color, u"#ABCDEF"_s);
        QCOMPARE(m_model->addClient(u"Globex"_s, std::nullopt)->color, u"#ef4444"_s);
        QCOMPARE(m_changes, 19);
        QCOMPARE(*m_model->addClient(u" client 2"_s, u"#000000"_s), db().clients[2]);
        QCOMPARE(m_changes, 19);
        QCOMPARE(m_model->addClient(u"CLIENT 1"_s, std::nullopt)->id, db().clients[1].id);
        QVERIFY(!db().clients[1].archived);
        QCOMPARE(m_changes, 20);
        QCOMPARE(m_model->addClient(u" \t"_s, std::nullopt), std::nullopt);
        QCOMPARE(db().clients.size(), 19);
    }

    void setClientColorUploadsOnlyKnownClients() {
        db().clients = {makeClient(u"c1"_s, u"One"_s, false, 41), makeClient(u"c2"_s, u"Two"_s)};
        m_model->setClientColor(u"c1"_s, u"#0ea5e9"_s);
        m_model->setClientColor(u"c2"_s, u"#ef4444"_s);
        m_model->setClientColor(u"nope"_s, u"#ef4444"_s);
        QCOMPARE(db().clients[0].color, u"#0ea5e9"_s);
        QCOMPARE(db().clients[1].color, u"#ef4444"_s);
        QCOMPARE(m_changes, 2);
        QCOMPARE(m_uploads, (QList<std::pair<qint64, QString>>{{41, u"#0ea5e9"_s}}));
    }

    // A new server or key starts the sync history afresh.
    void setSettings() {
        db().settings.lastSync = earlier;
        m_model->setSettings(u" https://tikit.test/base// \n"_s, u" k1 "_s);
        QCOMPARE(db().settings.server, u"https://tikit.test/base"_s);
        QCOMPARE(db().settings.apiKey, u"k1"_s);
        QVERIFY(!db().settings.lastSync);
        db().settings.lastSync = earlier;
        m_model->setSettings(u"https://tikit.test/base/"_s, u"k1"_s);
        QVERIFY(db().settings.lastSync);
        m_model->setSettings(u"https://tikit.test/base"_s, u"k2"_s);
        QVERIFY(!db().settings.lastSync);
        QCOMPARE(m_changes, 3);
        QVERIFY(saved());
    }

    void readers() {
        db().clients = {makeClient(u"c1"_s, u"beta"_s),           makeClient(u"c2"_s, u"Zulu"_s),
                        makeClient(u"c3"_s, u"alpha"_s),          makeClient(u"c4"_s, u"Ärger"_s),
                        makeClient(u"c5"_s, u"Aardvark"_s, true), makeClient(u"c6"_s, u"ALPHA"_s)};
        QStringList ids;
        for (const Client& c : m_model->clients())
            ids << c.id;
        QCOMPARE(ids, (QStringList{u"c3"_s, u"c6"_s, u"c4"_s, u"c1"_s, u"c2"_s}));
        QVERIFY(m_model->client(u"c5"_s)->archived);
        QCOMPARE(m_model->client(std::nullopt), std::nullopt);

        Entry tomb = makeEntry(u"t0"_s, std::nullopt);
        tomb.deleted = true;
        entries() = {tomb, makeEntry(u"f0"_s, earlier), makeEntry(u"r1"_s, std::nullopt),
                     makeEntry(u"r2"_s, std::nullopt)};
        QCOMPARE(m_model->running()->id, u"r1"_s);
        entries().removeAt(2);
        QCOMPARE(m_model->running()->id, u"r2"_s);
    }

    // One sync at a time, and only with both a server and a key.
    void syncNow() {
        m_model->syncNow(); // no key
        db().settings.apiKey = u"key"_s;
        db().settings.server.clear();
        m_model->syncNow();
        QVERIFY(m_syncs.isEmpty());
        db().settings.server = u"http://127.0.0.1:8080"_s;
        m_model->syncNow();
        m_model->syncNow();
        QCOMPARE(m_syncs.size(), 1);
        QVERIFY(m_model->syncing());
        const SyncSummary summary{true, std::nullopt, 2, u"2026-01-05T09:30:01Z"_s};
        m_syncs[0](summary);
        QVERIFY(!m_model->syncing());
        QCOMPARE(m_model->lastSync(), std::optional<SyncSummary>(summary));
        QCOMPARE(m_changes, 1);

        m_model->syncNow();
        QCOMPARE(m_syncs.size(), 2);
        m_model.reset(); // a sync finishing after the model is gone reports nowhere
        m_syncs[1](summary);
        QCOMPARE(m_changes, 1);
    }
};

QTEST_GUILESS_MAIN(AppModelTest)
#include "AppModelTest.moc"

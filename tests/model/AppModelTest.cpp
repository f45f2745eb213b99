#include "model/AppModel.h"
#include "TestEnv.h"
#include "model/Time.h"

#include <QDir>
#include <QLocale>
#include <QSignalSpy>
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

} // namespace

// The tracking model: every change replaces a record by id, saves the whole
// database and notifies once; clients, settings and the sync guards.
class AppModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppModel> m_model;
    QList<AppModel::SyncDone> m_syncs;
    // Client changes sent, with their completions.
    QList<std::pair<ClientChange, std::function<void(const ClientChange::Answer&)>>> m_sent;
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
        entries() = {makeEntry(u"r1"_s, std::nullopt),
                     makeEntry(u"f1"_s, u"2026-01-05T08:30:00Z"_s),
                     makeEntry(u"t1"_s, std::nullopt)};
        entries()[1].serverId = 11;
        entries()[1].clientId = u"c1"_s;
        entries()[2].serverId = 12;
        entries()[2].deleted = true;
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
        m_sent.clear();
        m_changes = 0;
        m_model->setOnChange([this] { ++m_changes; });
        m_model->setSyncRunner([this](Store& store, QObject* context, AppModel::SyncDone done) {
            QCOMPARE(&store, &m_model->store());
            QCOMPARE(context, m_model.get());
            m_syncs.append(std::move(done));
        });
        m_model->setClientUploader([this](Store&, const ClientChange& change, QObject*,
                                          std::function<void(const ClientChange::Answer&)> done) {
            m_sent.append({change, std::move(done)});
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

        for (const QString& id : {u"r1"_s, u"r2"_s})
            QVERIFY(stored(id).endedAt == now() && stored(id).syncState == Entry::pending);
        const Entry started = entries().last();
        QCOMPARE(m_model->running()->id, started.id);
        QCOMPARE(started.description, u"Write report"_s);
        QCOMPARE(started.startedAt, now());
        QCOMPARE(started.syncState, Entry::pending);
        QCOMPARE(started.screenshots->size(), 1); // the unwritable one is dropped
        QCOMPARE(QFile(shotPath(*started.screenshots->at(0).file)).size(), 5);
        QCOMPARE(m_changes, 1);
        QVERIFY(saved());
        m_model->start(u" \t\n"_s, std::nullopt);
        QVERIFY(entries().last().description.isEmpty() && !entries().last().screenshots);
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
        QCOMPARE(before[1].duration(), 1800.0); // finished: to its end
        QCOMPARE(f1.duration(), 84'660.0);      // running: to now
        for (const Entry& e : {r1, f1})
            QVERIFY(e.syncState == Entry::pending && e.updatedAt == now());
        QVERIFY(saved());

        m_model->deleteEntry(f1); // known to the server: a tombstone
        QVERIFY(stored(u"f1"_s).deleted && !m_model->running());
        m_model->deleteEntry(r1); // never synced: removed
        m_model->deleteEntry(makeEntry(u"gone"_s, std::nullopt));
        QCOMPARE(entries().size(), 2);
        QCOMPARE(m_changes, 8);
        QCOMPARE(m_model->pendingCount(), 1);
        QVERIFY(saved());
    }

    // Pictures are added to the stored copy of an entry; removing one deletes
    // its local file, and an index outside the list changes nothing.
    void screenshots() {
        seedEntries();
        entries()[1].screenshots = QList<Screenshot>{{u"s"_s, std::nullopt}};
        m_model->addScreenshot(makeEntry(u"f1"_s, std::nullopt), "png bytes", u"png"_s);
        m_model->addScreenshot(stored(u"f1"_s), "x", u"png/x"_s); // cannot be written
        QCOMPARE(m_changes, 1);
        const Entry f1 = stored(u"f1"_s);
        QVERIFY(f1.endedAt && f1.syncState == Entry::pending);
        const QString file = *f1.screenshots->at(1).file;
        QCOMPARE(QFile(shotPath(file)).size(), 9);
        const auto left = [this] {
            QStringList out;
            const Entry e = stored(u"f1"_s);
            for (const Screenshot& s : *e.screenshots)
                out << s.server.value_or(*s.file);
            return out;
        };
        m_model->removeScreenshot(f1, 2);
        m_model->removeScreenshot(f1, -1);
        m_model->removeScreenshot(makeEntry(u"gone"_s, std::nullopt), 0);
        QCOMPARE(m_changes, 1);
        QCOMPARE(left(), (QStringList{u"s"_s, file}));
        m_model->removeScreenshot(f1, 1);
        QVERIFY(!QFileInfo::exists(shotPath(file)));
        QCOMPARE(left(), QStringList{u"s"_s});
        m_model->removeScreenshot(f1, 0);
        QCOMPARE(left(), QStringList());
        QCOMPARE(m_changes, 3);
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

        // Only a client the server knows has its change sent.
        db().clients[3].serverId = 41;
        m_model->setClientColor(db().clients[3].id, u"#0ea5e9"_s);
        m_model->setClientColor(db().clients[4].id, u"#ef4444"_s);
        m_model->setClientColor(u"nope"_s, u"#ef4444"_s);
        QCOMPARE(db().clients[4].color, u"#ef4444"_s);
        QCOMPARE(m_changes, 22);
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0].first.body(), (QJsonObject{{"id"_L1, 41}, {"color"_L1, u"#0ea5e9"_s}}));
    }

    // One call per client at a time; what changed meanwhile goes after the
    // answer; a refusal ends the change and says why; a failure waits for the
    // next sync. A member picking an archived client by name leaves it archived.
    void clientChangesGoOneAtATime() {
        db().clients = {Client{u"a"_s, 7, u"Acme"_s}, Client{u"g"_s, 8, u"Globex"_s}};
        db().clients[1].archived = true;
        QCOMPARE(m_model->renameClient(u"a"_s, u" "_s), u"Please enter a name."_s);
        QCOMPARE(m_model->renameClient(u"a"_s, u"GLOBEX "_s),
                 u"A client named \"Globex\" already exists"_s);
        QCOMPARE(m_model->renameClient(u"a"_s, u" Acme Ltd"_s), std::nullopt);
        m_model->setClientArchived(u"a"_s, true); // both while the rename is under way
        m_model->renameClient(u"a"_s, u"Acme Co"_s);
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0].first.body(), (QJsonObject{{"id"_L1, 7}, {"name"_L1, u"Acme Ltd"_s}}));
        QCOMPARE(m_model->pendingCount(), 1);
        QCOMPARE(m_model->addClient(u"globex"_s, std::nullopt)->archived, true);

        QSignalSpy refused(m_model.get(), &AppModel::clientChangeRefused);
        m_sent[0].second({ClientChange::Kind::Accepted, {}});
        QCOMPARE(m_sent.size(), 2);
        QCOMPARE(m_sent[1].first.body(),
                 (QJsonObject{{"id"_L1, 7}, {"name"_L1, u"Acme Co"_s}, {"archived"_L1, true}}));
        m_sent[1].second({ClientChange::Kind::Failed, u"HTTP 503"_s});
        QCOMPARE(db().clients[0].syncState, Entry::pending);
        db().settings.server = u"http://127.0.0.1:1"_s;
        db().settings.apiKey = u"k"_s;
        m_model->syncNow();
        QCOMPARE(m_sent.size(), 2);
        m_syncs[0](SyncSummary{true, std::nullopt, 1, std::nullopt});
        QCOMPARE(m_sent.size(), 3);
        m_sent[2].second({ClientChange::Kind::Refused, u"No"_s});
        QCOMPARE(refused.size(), 1);
        QCOMPARE(m_model->lastSync()->error, u"No"_s);
        QCOMPARE(db().clients[0].syncState, Entry::synced);
        QVERIFY(db().clients[0].changed.isEmpty() && saved());
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

    void clientsSortedWithoutArchived() {
        for (const QString& name :
             {u"beta"_s, u"Zulu"_s, u"alpha"_s, u"Ärger"_s, u"Aardvark"_s, u"ALPHA"_s}) {
            db().clients.append(Client());
            db().clients.last().id = u"c%1"_s.arg(db().clients.size());
            db().clients.last().name = name;
            db().clients.last().archived = name == u"Aardvark"_s;
        }
        QStringList ids;
        for (const Client& c : m_model->clients())
            ids << c.id;
        QCOMPARE(ids, (QStringList{u"c3"_s, u"c6"_s, u"c4"_s, u"c1"_s, u"c2"_s}));
        QVERIFY(m_model->client(u"c5"_s)->archived);
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

#include "model/AppModel.h"
#include "TestEnv.h"
#include "model/Time.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

bool isLocalId(const QString& id) {
    static const QRegularExpression uuid(
        u"^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"_s);
    return uuid.match(id).hasMatch();
}

const QString earlier = u"2026-01-05T08:00:00Z"_s;

Entry makeEntry(const QString& id, const QString& description, const QString& startedAt,
                const std::optional<QString>& endedAt) {
    Entry e;
    e.id = id;
    e.description = description;
    e.startedAt = startedAt;
    e.endedAt = endedAt;
    e.screenshots = QList<Screenshot>{};
    e.updatedAt = earlier;
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

QStringList describe(const std::optional<QList<Screenshot>>& shots) {
    if (!shots)
        return {u"<absent>"_s};
    QStringList out;
    for (const Screenshot& s : *shots)
        out << (s.file ? u"file:"_s + *s.file : u"-"_s) + u' ' +
                   (s.server ? u"server:"_s + *s.server : u"-"_s);
    return out;
}

// A sync that finishes only when the test says so.
struct FakeSync {
    struct Call {
        Store* store;
        QObject* context;
        AppModel::SyncDone done;
    };
    QList<Call> calls;

    AppModel::SyncRunner runner() {
        return [this](Store& store, QObject* context, AppModel::SyncDone done) {
            calls.append({&store, context, std::move(done)});
        };
    }
};

struct Upload {
    Store* store;
    qint64 serverId;
    QString hex;
};

} // namespace

// Every reader and change of the tracking model, with its save and its single
// change notification.
class AppModelTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppModel> m_model;
    FakeSync m_sync;
    QList<Upload> m_uploads;
    int m_changes = 0;

    Db& db() { return m_model->store().db(); }
    QList<Entry>& entries() { return db().entries; }
    QString now() const { return Time::iso(Clock::now()); }
    QString dbPath() const { return m_model->store().dbPath(); }
    QString shotPath(const QString& name) const {
        return m_model->store().screenshotsDir() + u'/' + name;
    }

    // Running r1, finished f1 (synced, server id 11) and a tombstone without an
    // end t1; nothing saved yet.
    void seedEntries() {
        Entry r1 = makeEntry(u"r1"_s, u"Running"_s, earlier, std::nullopt);
        Entry f1 = makeEntry(u"f1"_s, u"Finished"_s, earlier, u"2026-01-05T08:30:00Z"_s);
        f1.serverId = 11;
        f1.clientId = u"c1"_s;
        Entry t1 = makeEntry(u"t1"_s, u"Tomb"_s, earlier, std::nullopt);
        t1.serverId = 12;
        t1.deleted = true;
        entries() = {r1, f1, t1};
    }

    Entry stored(const QString& id) {
        for (const Entry& e : entries()) {
            if (e.id == id)
                return e;
        }
        qFatal("no entry %s", qPrintable(id));
    }

    // The file holds exactly the in-memory database.
    bool savedMatches() {
        const std::optional<Db> onDisk = Db::decode(readAll(dbPath()));
        return onDisk && *onDisk == db();
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init() {
        qunsetenv("ZEVRA_NO_SAVE");
        m_env = std::make_unique<TestEnv>();
        m_model = std::make_unique<AppModel>(m_env->dataDirectory());
        m_sync = FakeSync();
        m_uploads.clear();
        m_changes = 0;
        m_model->setOnChange([this] { ++m_changes; });
        m_model->setSyncRunner(m_sync.runner());
        m_model->setColorUploader([this](Store& store, qint64 serverId, const QString& hex) {
            m_uploads.append({&store, serverId, hex});
        });
    }

    void cleanup() {
        m_model.reset();
        m_env.reset();
    }

    void defaultDataDirectoryFollowsXdg() {
        QCOMPARE(AppModel::defaultDataDirectory(), std::optional<QString>(m_env->dataDirectory()));
        QCOMPARE(m_model->store().dir(), m_env->dataDirectory());
        QVERIFY(!m_model->syncing());
        QVERIFY(!m_model->lastSync());
        QVERIFY(m_model->pendingShots().isEmpty());
        QVERIFY(!QFileInfo::exists(dbPath()));
    }

    void startStopsRunningEntriesAtTheSameInstant() {
        seedEntries();
        Entry r2 = makeEntry(u"r2"_s, u"Also running"_s, earlier, std::nullopt);
        entries().append(r2);
        const QList<Entry> before = entries();
        m_env->clock().advance(90'500);

        m_model->start(u"  Write report \n"_s, u"c1"_s);

        QCOMPARE(entries().size(), 5);
        for (const QString& id : {u"r1"_s, u"r2"_s}) {
            const Entry e = stored(id);
            QCOMPARE(e.endedAt, std::optional<QString>(u"2026-01-05T09:31:30Z"_s));
            QCOMPARE(e.syncState, Entry::pending);
            QCOMPARE(e.updatedAt, now());
        }
        QVERIFY(stored(u"f1"_s) == before[1]);
        QVERIFY(stored(u"t1"_s) == before[2]);

        const Entry started = entries().last();
        QVERIFY2(isLocalId(started.id), qPrintable(started.id));
        QCOMPARE(started.description, u"Write report"_s);
        QCOMPARE(started.clientId, std::optional<QString>(u"c1"_s));
        QCOMPARE(started.startedAt, *stored(u"r1"_s).endedAt);
        QVERIFY(!started.endedAt);
        QVERIFY(!started.serverId);
        QVERIFY(!started.screenshots);
        QVERIFY(!started.screenshotFile && !started.screenshotUrl);
        QVERIFY(!started.screenshotPendingUpload && !started.screenshotCleared);
        QVERIFY(!started.deleted);
        QCOMPARE(started.syncState, Entry::pending);
        QCOMPARE(started.updatedAt, now());

        QCOMPARE(std::count_if(entries().begin(), entries().end(),
                               [](const Entry& e) { return e.isRunning(); }),
                 1);
        QCOMPARE(m_model->running()->id, started.id);
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
        QVERIFY(m_sync.calls.isEmpty());
    }

    void startWithBlankDescription_data() {
        QTest::addColumn<QString>("description");
        QTest::newRow("empty") << QString();
        QTest::newRow("spaces") << u"     "_s;
        QTest::newRow("tabs and newlines") << u" \t\n \r\n"_s;
    }

    void startWithBlankDescription() {
        QFETCH(QString, description);
        m_model->start(description, std::nullopt);
        QCOMPARE(entries().size(), 1);
        QCOMPARE(entries()[0].description, QString());
        QVERIFY(!entries()[0].clientId);
        QCOMPARE(m_changes, 1);
    }

    void startAttachesPendingShots_data() {
        QTest::addColumn<QStringList>("exts");
        QTest::addColumn<QList<int>>("written"); // indexes of the shots that get a file

        QTest::newRow("both written") << QStringList{u"png"_s, u"jpg"_s} << QList<int>{0, 1};
        QTest::newRow("second unwritable") << QStringList{u"png"_s, u"png/x"_s} << QList<int>{0};
        QTest::newRow("first unwritable") << QStringList{u"a/b"_s, u"png"_s} << QList<int>{1};
        QTest::newRow("none writable") << QStringList{u"a/b"_s, u"c/d"_s} << QList<int>{};
    }

    void startAttachesPendingShots() {
        QFETCH(QStringList, exts);
        QFETCH(QList<int>, written);
        seedEntries();
        for (int i = 0; i < exts.size(); ++i)
            m_model->pendingShots().append({QUuid::createUuid().toString(QUuid::WithoutBraces),
                                            "image-" + QByteArray::number(i), exts[i]});
        m_model->start(u"With shots"_s, std::nullopt);

        QVERIFY(m_model->pendingShots().isEmpty());
        const Entry started = entries().last();
        QVERIFY(started.screenshots.has_value());
        QCOMPARE(started.screenshots->size(), written.size());
        for (int i = 0; i < written.size(); ++i) {
            const Screenshot& shot = started.screenshots->at(i);
            QVERIFY(!shot.server);
            QVERIFY(shot.file.has_value());
            QVERIFY(shot.file->endsWith(u'.' + exts[written[i]]));
            QCOMPARE(readAll(shotPath(*shot.file)), "image-" + QByteArray::number(written[i]));
        }
        QCOMPARE(QDir(m_model->store().screenshotsDir())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                     .size(),
                 written.size());
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());

        // The next start has nothing left to attach.
        m_model->start(u"Next"_s, std::nullopt);
        QVERIFY(!entries().last().screenshots);
    }

    void entryChanges_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("clientId"); // null: absent
        QTest::addColumn<QString>("startedAt");
        QTest::addColumn<QString>("endedAt"); // null: absent

        const QString end = u"2026-01-05T08:30:00Z"_s;
        // The clock stands at 09:31:00 when the change is made.
        QTest::newRow("stop running") << u"stop"_s << u"r1"_s << u"Running"_s << QString()
                                      << earlier << u"2026-01-05T09:31:00Z"_s;
        QTest::newRow("stop finished again") << u"stop"_s << u"f1"_s << u"Finished"_s << u"c1"_s
                                             << earlier << u"2026-01-05T09:31:00Z"_s;
        QTest::newRow("description trimmed")
            << u"description"_s << u"f1"_s << u"Review"_s << u"c1"_s << earlier << end;
        QTest::newRow("description blank")
            << u"blank description"_s << u"f1"_s << QString() << u"c1"_s << earlier << end;
        QTest::newRow("client set")
            << u"client"_s << u"r1"_s << u"Running"_s << u"c2"_s << earlier << QString();
        QTest::newRow("client cleared")
            << u"no client"_s << u"f1"_s << u"Finished"_s << QString() << earlier << end;
        QTest::newRow("times") << u"times"_s << u"f1"_s << u"Finished"_s << u"c1"_s
                               << u"2026-01-04T10:00:00Z"_s << u"2026-01-04T09:00:00Z"_s;
        QTest::newRow("times made running") << u"running again"_s << u"f1"_s << u"Finished"_s
                                            << u"c1"_s << u"2026-01-04T10:00:00Z"_s << QString();
    }

    void entryChanges() {
        QFETCH(QString, operation);
        QFETCH(QString, id);
        QFETCH(QString, description);
        QFETCH(QString, clientId);
        QFETCH(QString, startedAt);
        QFETCH(QString, endedAt);
        seedEntries();
        const QList<Entry> before = entries();
        m_env->clock().advance(60'000);
        const Entry e = stored(id);

        if (operation == u"stop"_s)
            m_model->stop(e);
        else if (operation == u"description"_s)
            m_model->updateDescription(e, u" \tReview\n"_s);
        else if (operation == u"blank description"_s)
            m_model->updateDescription(e, u"  \n "_s);
        else if (operation == u"client"_s)
            m_model->updateClient(e, u"c2"_s);
        else if (operation == u"no client"_s)
            m_model->updateClient(e, std::nullopt);
        else if (operation == u"times"_s)
            m_model->updateTimes(e, u"2026-01-04T10:00:00Z"_s, u"2026-01-04T09:00:00Z"_s);
        else if (operation == u"running again"_s)
            m_model->updateTimes(e, u"2026-01-04T10:00:00Z"_s, std::nullopt);
        else
            QFAIL("unknown operation");

        QCOMPARE(entries().size(), before.size());
        for (int i = 0; i < before.size(); ++i) {
            if (before[i].id != id)
                QVERIFY(entries()[i] == before[i]);
        }
        const Entry changed = stored(id);
        QCOMPARE(entries().indexOf(changed), before.indexOf(e));
        QCOMPARE(changed.description, description);
        QCOMPARE(changed.clientId,
                 clientId.isNull() ? std::nullopt : std::optional<QString>(clientId));
        QCOMPARE(changed.startedAt, startedAt);
        QCOMPARE(changed.endedAt,
                 endedAt.isNull() ? std::nullopt : std::optional<QString>(endedAt));
        QCOMPARE(changed.syncState, Entry::pending);
        QCOMPARE(changed.updatedAt, u"2026-01-05T09:31:00Z"_s);
        QCOMPARE(changed.serverId, e.serverId);
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
    }

    // A change given an entry that is gone replaces nothing but still saves
    // and notifies.
    void changeOfUnknownEntry() {
        seedEntries();
        const QList<Entry> before = entries();
        m_model->stop(makeEntry(u"gone"_s, u"Gone"_s, earlier, std::nullopt));
        QVERIFY(entries() == before);
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
    }

    void addScreenshotAppendsToStoredCopy() {
        seedEntries();
        entries()[1].screenshots = QList<Screenshot>{{u"2026/01/aaaaaaaaaa.png"_s, std::nullopt}};
        entries()[1].description = u"Renamed meanwhile"_s;
        Entry stale = makeEntry(u"f1"_s, u"Stale copy"_s, earlier, std::nullopt);
        m_env->clock().advance(1000);

        m_model->addScreenshot(stale, "png bytes", u"png"_s);

        const Entry e = stored(u"f1"_s);
        QCOMPARE(e.description, u"Renamed meanwhile"_s);
        QVERIFY(e.endedAt.has_value());
        QCOMPARE(e.screenshots->size(), 2);
        QCOMPARE(e.screenshots->at(0).server, std::optional<QString>(u"2026/01/aaaaaaaaaa.png"_s));
        QVERIFY(!e.screenshots->at(1).server);
        QCOMPARE(readAll(shotPath(*e.screenshots->at(1).file)), QByteArray("png bytes"));
        QCOMPARE(e.syncState, Entry::pending);
        QCOMPARE(e.updatedAt, now());
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
    }

    void addScreenshotToAbsentList() {
        seedEntries();
        entries()[0].screenshots.reset();
        m_model->addScreenshot(entries()[0], "x", u"png"_s);
        QCOMPARE(stored(u"r1"_s).screenshots->size(), 1);
        QCOMPARE(m_changes, 1);
    }

    void addScreenshotThatCannotBeWritten() {
        seedEntries();
        const QList<Entry> before = entries();
        m_model->addScreenshot(entries()[1], "x", u"png/x"_s);
        QVERIFY(entries() == before);
        QCOMPARE(m_changes, 0);
        QVERIFY(!QFileInfo::exists(dbPath()));
    }

    void addScreenshotToUnknownEntry() {
        seedEntries();
        const QList<Entry> before = entries();
        m_model->addScreenshot(makeEntry(u"gone"_s, u"Gone"_s, earlier, std::nullopt), "x",
                               u"png"_s);
        QVERIFY(entries() == before);
        QCOMPARE(m_changes, 1);
        QVERIFY(savedMatches());
    }

    void removeScreenshot_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("remaining"); // empty with changed false: untouched
        QTest::addColumn<QString>("deletedFile");
        QTest::addColumn<bool>("changed");

        // f1 holds: [a.png], [server only], [b.png + server]
        const QString a = u"file:a.png -"_s;
        const QString s = u"- server:2026/01/aaaaaaaaaa.png"_s;
        const QString b = u"file:b.png server:2026/01/bbbbbbbbbb.png"_s;
        QTest::newRow("first, with file")
            << u"f1"_s << 0 << QStringList{s, b} << u"a.png"_s << true;
        QTest::newRow("server only") << u"f1"_s << 1 << QStringList{a, b} << QString() << true;
        QTest::newRow("last, file and server")
            << u"f1"_s << 2 << QStringList{a, s} << u"b.png"_s << true;
        QTest::newRow("negative index")
            << u"f1"_s << -1 << QStringList{a, s, b} << QString() << false;
        QTest::newRow("index past the end")
            << u"f1"_s << 3 << QStringList{a, s, b} << QString() << false;
        QTest::newRow("only one left") << u"r1"_s << 0 << QStringList{} << u"c.png"_s << true;
        QTest::newRow("absent list")
            << u"t1"_s << 0 << QStringList{u"<absent>"_s} << QString() << false;
        QTest::newRow("unknown entry") << u"gone"_s << 0 << QStringList{} << QString() << false;
    }

    void removeScreenshot() {
        QFETCH(QString, id);
        QFETCH(int, index);
        QFETCH(QStringList, remaining);
        QFETCH(QString, deletedFile);
        QFETCH(bool, changed);
        seedEntries();
        entries()[1].screenshots = QList<Screenshot>{
            {std::nullopt, u"a.png"_s},
            {u"2026/01/aaaaaaaaaa.png"_s, std::nullopt},
            {u"2026/01/bbbbbbbbbb.png"_s, u"b.png"_s},
        };
        entries()[0].screenshots = QList<Screenshot>{{std::nullopt, u"c.png"_s}};
        entries()[2].screenshots.reset();
        for (const QString& name : {u"a.png"_s, u"b.png"_s, u"c.png"_s})
            QVERIFY(writeFile(shotPath(name), name.toLatin1()));
        const QList<Entry> before = entries();
        m_env->clock().advance(5000);

        Entry target = makeEntry(id, u"caller copy"_s, earlier, std::nullopt);
        m_model->removeScreenshot(target, index);

        QCOMPARE(m_changes, changed ? 1 : 0);
        for (const QString& name : {u"a.png"_s, u"b.png"_s, u"c.png"_s})
            QCOMPARE(QFileInfo::exists(shotPath(name)), name != deletedFile);
        if (!changed) {
            QVERIFY(entries() == before);
            QVERIFY(!QFileInfo::exists(dbPath()));
            return;
        }
        const Entry e = stored(id);
        QCOMPARE(describe(e.screenshots), remaining);
        QCOMPARE(e.description, before[entries().indexOf(e)].description);
        QCOMPARE(e.syncState, Entry::pending);
        QCOMPARE(e.updatedAt, now());
        QVERIFY(savedMatches());
    }

    void deleteEntry_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("withServerId");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<int>("changes");

        QTest::newRow("synced entry becomes a tombstone") << u"f1"_s << true << true << 1;
        QTest::newRow("running synced entry becomes a tombstone") << u"r1"_s << true << true << 1;
        QTest::newRow("unsynced entry is removed") << u"r1"_s << false << false << 1;
        QTest::newRow("unknown unsynced entry: nothing") << u"gone"_s << false << false << 0;
        QTest::newRow("unknown synced entry: saved anyway") << u"gone"_s << true << false << 1;
    }

    void deleteEntry() {
        QFETCH(QString, id);
        QFETCH(bool, withServerId);
        QFETCH(bool, kept);
        QFETCH(int, changes);
        seedEntries();
        entries()[0].serverId.reset();
        entries()[0].screenshots = QList<Screenshot>{{std::nullopt, u"r1.png"_s}};
        QVERIFY(writeFile(shotPath(u"r1.png"_s), "r1"));
        if (withServerId && id == u"r1"_s)
            entries()[0].serverId = 10;
        const QList<Entry> before = entries();
        const int pendingBefore = m_model->pendingCount();
        m_env->clock().advance(2000);

        Entry target = makeEntry(id, u"x"_s, earlier, std::nullopt);
        for (const Entry& e : before) {
            if (e.id == id)
                target = e;
        }
        if (withServerId && !target.serverId)
            target.serverId = 99;
        m_model->deleteEntry(target);

        QCOMPARE(m_changes, changes);
        QCOMPARE(QFileInfo::exists(dbPath()), changes > 0);
        QVERIFY(QFileInfo::exists(shotPath(u"r1.png"_s)));
        if (id == u"gone"_s) {
            QVERIFY(entries() == before);
            return;
        }
        QCOMPARE(entries().size(), kept ? before.size() : before.size() - 1);
        if (kept) {
            const Entry tomb = stored(id);
            QVERIFY(tomb.deleted);
            QCOMPARE(tomb.syncState, Entry::pending);
            QCOMPARE(tomb.updatedAt, now());
            QCOMPARE(tomb.endedAt, target.endedAt);
            // A tombstone is never running, but it is pending.
            if (id == u"r1"_s)
                QVERIFY(!m_model->running());
            else
                QCOMPARE(m_model->running()->id, u"r1"_s);
            QCOMPARE(m_model->pendingCount(), pendingBefore + 1);
        } else {
            QVERIFY(std::none_of(entries().begin(), entries().end(),
                                 [&id](const Entry& e) { return e.id == id; }));
        }
        QVERIFY(savedMatches());
    }

    void deleteTwice() {
        seedEntries();
        m_model->deleteEntry(stored(u"f1"_s));
        const Entry first = stored(u"f1"_s);
        QVERIFY(first.deleted);
        m_env->clock().advance(60'000);
        m_model->deleteEntry(first);
        const Entry second = stored(u"f1"_s);
        QVERIFY(second.deleted);
        QCOMPARE(second.syncState, Entry::pending);
        QCOMPARE(second.updatedAt, u"2026-01-05T09:31:00Z"_s);
        QCOMPARE(entries().size(), 3);
        QCOMPARE(m_changes, 2);

        // An unsynced entry: the second delete finds nothing.
        m_model->deleteEntry(stored(u"r1"_s));
        m_model->deleteEntry(makeEntry(u"r1"_s, u"Running"_s, earlier, std::nullopt));
        QCOMPARE(entries().size(), 2);
        QCOMPARE(m_changes, 3);
    }

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

QTEST_GUILESS_MAIN(AppModelTest)
#include "AppModelTest.moc"

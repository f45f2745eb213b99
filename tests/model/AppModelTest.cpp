#include "AppModelFixture.h"

#include <QDir>
#include <QLocale>

using namespace ModelTest;

// The changes of entries: each one replaces the record by id, saves the whole
// database and notifies once.
class AppModelTest : public ModelTest::AppModelFixture {
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
};

QTEST_GUILESS_MAIN(AppModelTest)
#include "AppModelTest.moc"

#include "app/CommandLine.h"
#include "AppProcess.h"
#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "app/CommandRunner.h"
#include "app/SingleInstance.h"
#include "model/Store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

// The executable's command line and its one-writer rule: verbs carried out by
// the running app over its socket, or under the data folder's lock without it;
// a second start of the app handing over to the first.
class CommandLineTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<QProcess> m_app;
    QByteArray m_appOutput;

    AppProcess::Run tikit(const QStringList& args, const QStringList& env = {},
                          int timeoutMs = 90000) {
        return AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), env, timeoutMs, args);
    }

    std::optional<Entry> runningEntry() {
        const Store store(m_env->dataDirectory());
        for (const Entry& e : store.db().entries) {
            if (e.isRunning())
                return e;
        }
        return std::nullopt;
    }

    // The tray app on the test's profile, off-screen, after its launch sync.
    void startApp() {
        m_app = std::make_unique<QProcess>();
        connect(m_app.get(), &QProcess::readyReadStandardOutput, this,
                [this] { m_appOutput += m_app->readAllStandardOutput(); });
        m_app->start(QStringLiteral(ZEVRA_TIKIT_EXE), {});
        QVERIFY(m_server->waitForRequests(1, 60000));
        QTRY_VERIFY_WITH_TIMEOUT(Store(m_env->dataDirectory()).db().settings.lastSync, 30000);
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
        m_server->setDefaultReply(
            ScriptedReply::json(200, jsonText("{'ok':true,'server_time':'2026-01-05T09:00:00Z'}")));
        AppProcess::writeSettings(m_env->dataDirectory(), m_server->baseUrl(), u"k"_s);
        Store store(m_env->dataDirectory());
        Client acme;
        acme.id = u"acme"_s;
        acme.name = u"Acme"_s;
        store.db().clients = {acme};
        store.save();
    }

    void cleanup() {
        if (m_app) {
            m_app->kill();
            m_app->waitForFinished();
        }
        m_app.reset();
        m_appOutput.clear();
        m_server.reset();
        m_env.reset();
    }

    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::newRow("status --json") << QStringList{u"status"_s, u"--json"_s} << QString();
        QTest::newRow("start with client")
            << QStringList{u"start"_s, u"--client"_s, u"Acme"_s, u"x"_s} << QString();
        QTest::newRow("start without text") << QStringList{u"start"_s} << u"start needs"_s;
        QTest::newRow("client twice")
            << QStringList{u"start"_s, u"x"_s, u"--client"_s, u"a"_s, u"--client"_s, u"b"_s}
            << u"--client needs"_s;
        QTest::newRow("stop with extra") << QStringList{u"stop"_s, u"now"_s} << u"Unexpected"_s;
        QTest::newRow("unknown verb") << QStringList{u"pause"_s} << u"Unknown command"_s;
        QTest::newRow("away later") << QStringList{u"away"_s, u"later"_s} << u"one of keep"_s;
        const QStringList report{u"report"_s, u"--from"_s, u"2026-03-01"_s, u"--to"_s};
        QTest::newRow("report one day")
            << report + QStringList{u"2026-03-01"_s, u"--pdf"_s, u"a.pdf"_s, u"--screenshots"_s}
            << QString();
        QTest::newRow("report dates reversed")
            << report + QStringList{u"2026-02-28"_s, u"--pdf"_s, u"a.pdf"_s}
            << u"must be on or after"_s;
        QTest::newRow("report bad date")
            << report + QStringList{u"31.3.2026"_s, u"--json"_s, u"a"_s} << u"Dates are written"_s;
        QTest::newRow("report both formats")
            << report + QStringList{u"2026-03-02"_s, u"--pdf"_s, u"a"_s, u"--json"_s, u"b"_s}
            << u"one of --pdf"_s;
        QTest::newRow("csv with screenshots")
            << report + QStringList{u"2026-03-02"_s, u"--csv"_s, u"-"_s, u"--screenshots"_s}
            << u"--pdf only"_s;
        QTest::newRow("import in an unknown format")
            << QStringList{u"import"_s, u"a.txt"_s, u"--format"_s, u"toggl"_s} << u"one of"_s;
        QTest::newRow("json with screenshots")
            << report + QStringList{u"2026-03-02"_s, u"--json"_s, u"a"_s, u"--screenshots"_s}
            << u"--pdf only"_s;
    }

    void parse() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        QString message;
        const std::optional<Command> command = CommandLine::parse(args, &message);
        QCOMPARE(command.has_value(), error.isEmpty());
        QVERIFY2(message.contains(error), qPrintable(message));
    }

    void statusLine() {
        Db db;
        db.clients = {Client{u"c"_s, 3, u"Acme"_s, u"#000000"_s, false, Entry::synced}};
        QCOMPARE(CommandRunner::status(db, m_env->clock().now(), false), u"Not tracking"_s);
        Entry e;
        e.description = u"Design"_s;
        e.clientId = u"c"_s;
        e.startedAt = u"2026-01-05T08:00:00Z"_s;
        db.entries = {e};
        // 1 h 30 min as the tray shows it.
        QCOMPARE(CommandRunner::status(db, m_env->clock().now(), false),
                 u"1:30:00 Design · Acme"_s);
        const QJsonObject json =
            QJsonDocument::fromJson(CommandRunner::status(db, m_env->clock().now(), true).toUtf8())
                .object();
        QCOMPARE(json.value("class"_L1).toString(), u"running"_s);
        QCOMPARE(json.value("text"_L1).toString(), u"1:30:00 Design · Acme"_s);
        QVERIFY(json.value("tooltip"_L1).toString().startsWith(u"Design · Acme since "_s));
    }

    void statusReadsOnlyTheRunningEntry() {
        // The file as the app writes it: a tombstone that never ended, the running
        // entry between finished ones, and a description that looks like a key.
        Store store(m_env->dataDirectory());
        Entry e;
        e.startedAt = u"2026-01-05T08:00:00Z"_s;
        for (const QString& id : {u"done"_s, u"tomb"_s, u"run"_s, u"later"_s}) {
            e.id = id;
            e.description = u"x\n            \"ended_at\": }"_s;
            e.endedAt = id == u"run"_s || id == u"tomb"_s
                            ? std::nullopt
                            : std::optional(u"2026-01-05T09:00:00Z"_s);
            e.deleted = id == u"tomb"_s;
            e.clientId = id == u"run"_s ? std::optional(u"acme"_s) : std::nullopt;
            store.db().entries.append(e);
        }
        store.save();
        QFile file(store.dbPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const std::optional<Db> db = Db::runningOnly(bytes);
        QVERIFY(db);
        QCOMPARE(db->entries.size(), 1);
        QCOMPARE(db->entries[0], store.db().entries[2]);
        QCOMPARE(db->clients, store.db().clients);
        // Another layout is left to the whole decode.
        QVERIFY(!Db::runningOnly(QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Compact)));
        // An empty file is mapped as no memory at all.
        QVERIFY(!Db::runningOnly(QByteArrayView()));
        store.db().entries.removeAt(2);
        store.save();
        file.close(); // saving replaced the file
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(Db::runningOnly(file.readAll())->entries.isEmpty());
    }

    void lockWithoutHolderIsTakenOver() {
        // Left by a copy killed between creating db.lock and writing its id.
        QVERIFY(QDir().mkpath(m_env->dataDirectory()));
        QFile lock(QDir(m_env->dataDirectory()).filePath(u"db.lock"_s));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                 QFileDevice::FileModificationTime));
        lock.close();
        QVERIFY(SingleInstance(m_env->dataDirectory()).tryLock());
    }

    void appEndingBeforeItAnswersIsNotDoneTwice() {
        // The app took the command and died unanswered: the verb must not start it again.
        QLocalServer app;
        QLocalServer::removeServer(SingleInstance::socketName(m_env->dataDirectory()));
        QVERIFY(app.listen(SingleInstance::socketName(m_env->dataDirectory())));
        QProcess verb;
        verb.start(QStringLiteral(ZEVRA_TIKIT_EXE), {u"start"_s, u"Once"_s});
        QTRY_VERIFY_WITH_TIMEOUT(app.hasPendingConnections(), 30000);
        QLocalSocket* socket = app.nextPendingConnection();
        QTRY_VERIFY(socket->canReadLine());
        socket->abort();
        QVERIFY(verb.waitForFinished(30000));
        QCOMPARE(verb.exitCode(), 1);
        QVERIFY(!runningEntry());
    }

    void verbs_data() {
        QTest::addColumn<bool>("withApp");
        QTest::newRow("no app: under the lock") << false;
        QTest::newRow("app running: over its socket") << true;
    }

    void verbs() {
        QFETCH(bool, withApp);
        if (withApp)
            startApp();
        else { // a command that fails on a new profile leaves no folder behind
            const QString fresh = m_env->path() + u"/fresh"_s;
            QCOMPARE(tikit({u"stop"_s}, {u"XDG_DATA_HOME="_s + fresh}).exitCode, 1);
            QVERIFY(!QFileInfo::exists(fresh + u"/org.zevra.tikit"_s));
        }
        AppProcess::Run r = tikit({u"start"_s, u"  Design review "_s, u"--client"_s, u"ACME"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, QStringList{u"Started: Design review · Acme"_s});
        QCOMPARE(runningEntry()->clientId, u"acme"_s);

        r = tikit({u"start"_s, u"typo"_s, u"--client"_s, u"Acne"_s});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.errors.contains(u"Known clients: Acme."_s), qPrintable(r.errors));
        QCOMPARE(runningEntry()->description, u"Design review"_s);

        r = tikit({u"status"_s});
        QVERIFY(r.lines.value(0).endsWith(u" Design review · Acme"_s));

        r = tikit({u"start"_s, u""_s});
        QCOMPARE(r.lines, QStringList{u"Started: (no description)"_s});
        r = tikit({u"stop"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(runningEntry(), std::nullopt);
        r = tikit({u"stop"_s});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.errors.contains(u"Nothing is running."_s));
        r = tikit({u"away"_s, u"continue"_s});
        QVERIFY2(r.exitCode == 1 && r.errors.contains(u"Nothing to answer."_s),
                 qPrintable(r.errors));
        QCOMPARE(Store(m_env->dataDirectory()).db().entries.size(), 2);
        // An import, by the app when it runs, its client found whatever the case.
        QFile csv(m_env->path() + u"/day.csv"_s);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Date,Start,End,Task\n2026-01-02,09:00,10:00,Imported\n");
        csv.close();
        r = tikit({u"import"_s, csv.fileName(), u"--client"_s, u"acme"_s});
        QCOMPARE(r.lines,
                 QStringList{u"Imported 1 entry, skipped 0 already present, 0 without an end."_s});
        QCOMPARE(Store(m_env->dataDirectory()).db().entries.last().clientId, u"acme"_s);

        const qsizetype before = m_server->requests().size();
        r = tikit({u"sync"_s});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(m_server->requests().size() > before);
        if (withApp) {
            QCOMPARE(m_app->state(), QProcess::Running);
            QVERIFY(!m_appOutput.contains("ZEVRA_PANEL")); // commands never open the panel
        }
    }

    void secondStartOpensTheFirstsPanel() {
        startApp();
        QElapsedTimer clock;
        clock.start();
        const AppProcess::Run second = tikit({}, {}, 3000);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.lines,
                 QStringList{u"zevra-tikit is already running; its panel was opened."_s});
        QTRY_VERIFY_WITH_TIMEOUT(m_appOutput.contains("ZEVRA_PANEL"), 10000);
        QCOMPARE(m_app->state(), QProcess::Running);
        QVERIFY(Store(m_env->dataDirectory()).db().settings.lastSync); // the first one's save
    }

    void headlessModesWaitForTheLock() {
        startApp();
        const AppProcess::Run locked = tikit({}, {u"ZEVRA_SYNC_TEST=1"_s});
        QCOMPARE(locked.exitCode, 1);
        QVERIFY(locked.errors.contains(u"another copy is using"_s));
        QCOMPARE(tikit({}, {u"ZEVRA_SYNC_TEST=1"_s, u"ZEVRA_NO_SAVE=1"_s}).exitCode, 0);
    }

    void report() {
        m_server->setHandler([](const RecordedRequest& request) {
            if (request.query.queryItemValue(u"action"_s) != u"reports"_s)
                return ScriptedReply::json(200, jsonText("{'ok':true}"));
            return ScriptedReply::json(200,
                                       jsonText("{'from':'a','to':'b','total':0,'entries':[],"
                                                "'grouped':{'user':[],'client':[],'day':[]}}"));
        });
        const QString path = m_env->path() + u"/empty.json"_s;
        AppProcess::Run r = tikit({u"report"_s, u"--from"_s, u"2026-03-01"_s, u"--to"_s,
                                   u"2026-03-31"_s, u"--json"_s, path});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, QStringList{u"No time entries in that period. Saved "_s + path});
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(written.readAll()).object().value("total"_L1).toInt(-1),
                 0);

        // A target that cannot be written (for root, whom permissions do not
        // stop, a file of /proc) fails and leaves it as it was.
        QString readOnly = m_env->path() + u"/locked.pdf"_s;
        QFile locked(readOnly);
        QVERIFY(locked.open(QIODevice::WriteOnly));
        locked.write("old");
        locked.close();
        locked.setPermissions(QFileDevice::ReadOwner);
        if (geteuid() == 0)
            readOnly = u"/proc/version"_s;
        r = tikit({u"report"_s, u"--from"_s, u"2026-03-01"_s, u"--to"_s, u"2026-03-31"_s,
                   u"--pdf"_s, readOnly});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.errors.contains(readOnly));
        QVERIFY(locked.open(QIODevice::ReadOnly));
        QCOMPARE(locked.readAll(), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"

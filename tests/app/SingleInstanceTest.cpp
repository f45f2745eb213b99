#include "AppProcess.h"
#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "model/Store.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// One running copy per data folder: a second start hands over to the first,
// and headless modes wait for the first copy's lock.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<QProcess> m_first;
    QByteArray m_firstOutput;

    bool dbHolds(const QString& description) {
        const Store store(m_env->dataDirectory());
        for (const Entry& e : store.db().entries) {
            if (e.description == description)
                return true;
        }
        return false;
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
        // The first copy's launch sync brings an entry it saves.
        m_server->enqueue(ScriptedReply::json(
            200, jsonText("{'ok':true,'entries':[{'id':1,'description':'saved by the first',"
                          "'started_at':'2026-01-05T08:00:00Z','updated_at':'u'}],"
                          "'server_time':'2026-01-05T09:00:00Z'}")));
        m_server->setDefaultReply(ScriptedReply::json(200, jsonText("{'ok':true}")));
        AppProcess::writeSettings(m_env->dataDirectory(), m_server->baseUrl(), u"k"_s);

        m_first = std::make_unique<QProcess>();
        connect(m_first.get(), &QProcess::readyReadStandardOutput, this,
                [this] { m_firstOutput += m_first->readAllStandardOutput(); });
        m_first->start(QStringLiteral(ZEVRA_TIKIT_EXE), {});
        QTRY_VERIFY_WITH_TIMEOUT(dbHolds(u"saved by the first"_s), 60000);
    }

    void cleanup() {
        m_first->kill();
        m_first->waitForFinished();
        m_first.reset();
        m_firstOutput.clear();
        m_server.reset();
        m_env.reset();
    }

    void secondStartOpensTheFirstsPanel() {
        QVERIFY(!m_firstOutput.contains("ZEVRA_PANEL"));
        QElapsedTimer clock;
        clock.start();
        const AppProcess::Run second = AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), {}, 3000);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.lines,
                 QStringList{u"zevra-tikit is already running; its panel was opened."_s});
        QTRY_VERIFY_WITH_TIMEOUT(m_firstOutput.contains("ZEVRA_PANEL"), 10000);
        QCOMPARE(m_first->state(), QProcess::Running);
        QVERIFY(dbHolds(u"saved by the first"_s));
    }

    void headlessModesWaitForTheLock() {
        const AppProcess::Run locked =
            AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), {u"ZEVRA_SYNC_TEST=1"_s});
        QCOMPARE(locked.exitCode, 1);
        QVERIFY(locked.errors.contains(u"another copy is using"_s));
        const AppProcess::Run unsaved = AppProcess::run(
            QStringLiteral(ZEVRA_TIKIT_EXE), {u"ZEVRA_SYNC_TEST=1"_s, u"ZEVRA_NO_SAVE=1"_s});
        QCOMPARE(unsaved.exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"

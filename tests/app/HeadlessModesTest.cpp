#include "AppProcess.h"
#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

// The sync and screenshot diagnostic modes of the zevra-tikit executable, run
// as a separate process against a scripted server.
class HeadlessModesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;

    QString closedServer() const {
        return u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort());
    }
    QByteArray db() const {
        QFile f(m_env->dataDirectory() + u"/db.json"_s);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
    }

    void syncTest_data() {
        QTest::addColumn<int>("status"); // 0: not configured, -1: nothing listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("not configured")
            << 0 << QByteArray()
            << QStringList{u"online : true"_s, u"error  : Not configured"_s, u"clients: 0"_s,
                           u"entries: 0"_s};
        QTest::newRow("success")
            << 200
            << jsonText("{'ok':true,'clients':[{'id':1,'name':'Acme','color':'#ef4444','archived':"
                        "false}],"
                        "'entries':[{'id':5,'description':'d','started_at':'2026-01-05T08:00:00Z',"
                        "'updated_at':'2026-01-05T08:00:00Z'}]}")
            << QStringList{u"online : true"_s, u"error  : nil"_s, u"clients: 1"_s, u"entries: 1"_s};
        QTest::newRow("offline") << -1 << QByteArray() << QStringList{u"online : false"_s};
    }

    void syncTest() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, expected);
        if (status != 0)
            AppProcess::writeSettings(m_env->dataDirectory(),
                                      status < 0 ? closedServer() : m_server->baseUrl(), u"key"_s);
        if (status > 0)
            m_server->enqueue(ScriptedReply::json(status, body));
        const AppProcess::Run r =
            AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), {u"ZEVRA_SYNC_TEST=1"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.size(), 4);
        QCOMPARE(r.lines.mid(0, expected.size()), expected);
        QCOMPARE(m_server->requests().size(), status > 0 ? 1 : 0);
    }

    // Against a server that stores pictures the way a real one would.
    void shotTest_data() {
        QTest::addColumn<bool>("noSave");
        QTest::newRow("saving") << false;
        QTest::newRow("ZEVRA_NO_SAVE") << true;
    }

    void shotTest() {
        QFETCH(bool, noSave);
        AppProcess::writeSettings(m_env->dataDirectory(), m_server->baseUrl(), u"key"_s);
        const QByteArray before = db();
        int uploads = 0;
        m_server->setHandler([&](const RecordedRequest& request) {
            QJsonArray results;
            for (const QJsonValue& v :
                 QJsonDocument::fromJson(request.body)["pending"_L1].toArray()) {
                QJsonObject result{{"ref"_L1, v["ref"_L1]}, {"server_id"_L1, 77}};
                QJsonArray stored;
                for (const QJsonValue& s : v["screenshots"_L1].toArray())
                    stored.append(s.toObject().contains("keep"_L1)
                                      ? s["keep"_L1]
                                      : u"2026/01/%1.png"_s.arg(++uploads, 12, 10, QChar(u'a')));
                result.insert(v["deleted"_L1].toBool() ? "deleted"_L1 : "screenshots"_L1,
                              v["deleted"_L1].toBool() ? QJsonValue(true) : stored);
                results.append(result);
            }
            return ScriptedReply::json(
                200, QJsonDocument(QJsonObject{{"ok"_L1, true},
                                               {"results"_L1, results},
                                               {"server_time"_L1, u"2026-01-05T10:00:00Z"_s}})
                         .toJson());
        });
        QStringList env{u"ZEVRA_SHOT_TEST=1"_s};
        if (noSave)
            env.append(u"ZEVRA_NO_SAVE="_s);
        const AppProcess::Run r = AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), env);
        QCOMPARE(r.exitCode, 0);
        const QString paths = u"[\"2026/01/aaaaaaaaaaa1.png\", \"2026/01/aaaaaaaaaaa2.png\"]"_s;
        QCOMPARE(r.lines, (QStringList{u"pass1 shots: "_s + paths, u"pass2 shots: "_s + paths,
                                       u"remaining: 0"_s}));
        QCOMPARE(m_server->requests().size(), 3);
        QCOMPARE(db() == before, noSave);
    }
};

QTEST_GUILESS_MAIN(HeadlessModesTest)
#include "HeadlessModesTest.moc"

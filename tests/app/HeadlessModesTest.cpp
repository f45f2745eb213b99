#include "AppProcess.h"
#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "model/Store.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The sync and screenshot diagnostic modes of the zevra-tikit executable, run
// as a separate process against a scripted server.
class HeadlessModesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;

    QString dataDir() const { return m_env->dataDirectory(); }

    void writeSettings(const QString& server, const QString& key) {
        AppProcess::writeSettings(dataDir(), server, key);
    }

    AppProcess::Run run(const QStringList& env) {
        return AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), env);
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
    }

    void cleanup() {
        m_server.reset();
        m_env.reset();
    }

    void syncTestUnconfigured() {
        const AppProcess::Run r = run({u"ZEVRA_SYNC_TEST=1"_s, u"ZEVRA_SHOT_TEST=1"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, (QStringList{u"online : true"_s, u"error  : Not configured"_s,
                                       u"clients: 0"_s, u"entries: 0"_s}));
        QCOMPARE(m_server->requests().size(), 0);
    }

    void syncTestAgainstServer_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("success")
            << 200
            << jsonText("{'ok':true,'clients':[{'id':1,'name':'Acme','color':'#ef4444','archived':"
                        "false}],"
                        "'entries':[{'id':5,'description':'d','started_at':'2026-01-05T08:00:00Z',"
                        "'updated_at':'2026-01-05T08:00:00Z'}]}")
            << QStringList{u"online : true"_s, u"error  : nil"_s, u"clients: 1"_s, u"entries: 1"_s};
        QTest::newRow("refused") << 403 << jsonText("{'ok':false,'error':'Account disabled'}")
                                 << QStringList{u"online : true"_s, u"error  : Account disabled"_s,
                                                u"clients: 0"_s, u"entries: 0"_s};
    }

    void syncTestAgainstServer() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, expected);
        writeSettings(m_server->baseUrl(), u"key"_s);
        m_server->enqueue(ScriptedReply::json(status, body));
        const AppProcess::Run r = run({u"ZEVRA_SYNC_TEST="_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, expected);
    }

    void syncTestOffline() {
        writeSettings(u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort()),
                      u"k"_s);
        const AppProcess::Run r = run({u"ZEVRA_SYNC_TEST=1"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.size(), 4);
        QCOMPARE(r.lines[0], u"online : false"_s);
        QVERIFY(r.lines[1].startsWith(u"error  : "_s));
        QVERIFY(r.lines[1] != u"error  : nil"_s);
    }

    // A server that stores pictures the way a real one would.
    void shotTestRoundTrip_data() {
        QTest::addColumn<bool>("noSave");
        QTest::newRow("saving") << false;
        QTest::newRow("ZEVRA_NO_SAVE") << true;
    }

    void shotTestRoundTrip() {
        QFETCH(bool, noSave);
        writeSettings(m_server->baseUrl(), u"key"_s);
        const QByteArray dbBefore = [&] {
            QFile f(dataDir() + u"/db.json"_s);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();

        int uploads = 0;
        m_server->setHandler([&](const RecordedRequest& request) {
            const QJsonObject body = QJsonDocument::fromJson(request.body).object();
            QJsonArray results;
            for (const QJsonValue& v : body.value("pending"_L1).toArray()) {
                const QJsonObject p = v.toObject();
                QJsonObject result{{"ref"_L1, p.value("ref"_L1)}, {"server_id"_L1, 77}};
                if (p.value("deleted"_L1).toBool()) {
                    result.insert("deleted"_L1, true);
                } else {
                    QJsonArray stored;
                    for (const QJsonValue& s : p.value("screenshots"_L1).toArray()) {
                        if (s.toObject().contains("keep"_L1))
                            stored.append(s.toObject().value("keep"_L1));
                        else
                            stored.append(u"2026/01/%1.png"_s.arg(++uploads, 12, 10, QChar(u'a')));
                    }
                    result.insert("screenshots"_L1, stored);
                }
                results.append(result);
            }
            QJsonObject reply{{"ok"_L1, true},
                              {"results"_L1, results},
                              {"server_time"_L1, u"2026-01-05T10:00:00Z"_s}};
            return ScriptedReply::json(200, QJsonDocument(reply).toJson());
        });

        QStringList env{u"ZEVRA_SHOT_TEST=1"_s};
        if (noSave)
            env.append(u"ZEVRA_NO_SAVE="_s);
        const AppProcess::Run r = run(env);
        QCOMPARE(r.exitCode, 0);
        const QString paths = u"[\"2026/01/aaaaaaaaaaa1.png\", \"2026/01/aaaaaaaaaaa2.png\"]"_s;
        QCOMPARE(r.lines, (QStringList{u"pass1 shots: "_s + paths, u"pass2 shots: "_s + paths,
                                       u"remaining: 0"_s}));
        QCOMPARE(m_server->requests().size(), 3);
        const QJsonObject second = QJsonDocument::fromJson(m_server->requests()[1].body).object();
        QCOMPARE(
            second.value("pending"_L1).toArray()[0].toObject().value("description"_L1).toString(),
            u"ZZ multi-shot test 2"_s);

        QFile f(dataDir() + u"/db.json"_s);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray dbAfter = f.readAll();
        if (noSave)
            QCOMPARE(dbAfter, dbBefore);
        else
            QVERIFY(dbAfter != dbBefore);
    }

    void shotTestOffline() {
        writeSettings(u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort()),
                      u"k"_s);
        const AppProcess::Run r = run({u"ZEVRA_SHOT_TEST=1"_s});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.size(), 3);
        QVERIFY(r.lines[0].startsWith(u"pass1 shots: [\"file:"_s));
        // Never on the server, so deleting removed it at once.
        QCOMPARE(r.lines[2], u"remaining: 0"_s);
    }
};

QTEST_GUILESS_MAIN(HeadlessModesTest)
#include "HeadlessModesTest.moc"

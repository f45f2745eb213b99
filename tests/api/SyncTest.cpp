#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "api/Api.h"
#include "api/HttpCall.h"
#include "model/AppModel.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

// One sync exchange against a scripted server: the request, every failure
// form, and the merge, prune and save of a success.
class SyncTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<AppModel> m_model;

    Store& store() { return m_model->store(); }

    void configure(const QString& server, const QString& key) {
        store().db().settings.server = server;
        store().db().settings.apiKey = key;
    }

    SyncSummary sync() {
        std::optional<SyncSummary> result;
        Api::sync(store(), m_model.get(), [&](const SyncSummary& s) { result = s; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 30000))
            qFatal("sync never completed");
        return *result;
    }

    QJsonObject lastBody() const {
        return QJsonDocument::fromJson(m_server->requests().last().body).object();
    }

    void addEntry(const QString& id, const QString& description) {
        Entry e;
        e.id = id;
        e.description = description;
        e.startedAt = u"2026-01-05T08:00:00Z"_s;
        e.endedAt = u"2026-01-05T09:00:00Z"_s;
        e.updatedAt = u"2026-01-05T09:00:00Z"_s;
        e.screenshots = QList<Screenshot>();
        store().db().entries.append(e);
    }

    // After any failure the next good sync completes what was pending, once.
    void recovers(bool dripped = false) {
        configure(m_server->baseUrl(), u"k"_s);
        HttpCall::setTimeoutCapForTesting(std::nullopt);
        m_server->enqueue(ScriptedReply::json(
            200,
            jsonText("{'ok':true,'results':[{'ref':'e1','server_id':9,'screenshots':[]}],"
                     "'entries':[{'id':9,'description':'work','started_at':'s',"
                     "'updated_at':'u'}],'server_time':'2026-01-05T09:00:00Z'}"),
            dripped ? ScriptedReply::Delivery::Drip : ScriptedReply::Delivery::Whole));
        const SyncSummary s = sync();
        QCOMPARE(s.error, std::nullopt);
        QCOMPARE(s.pending, 0);
        QCOMPARE(store().db().entries.size(), 1);
        QCOMPARE(store().db().entries[0].serverId, 9);
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
        m_model = std::make_unique<AppModel>(m_env->dataDirectory());
        Api::connect(*m_model);
        configure(m_server->baseUrl() + u"//"_s, u" secret "_s);
    }

    void cleanup() {
        HttpCall::setTimeoutCapForTesting(std::nullopt);
        HttpCall::setObserverForTesting(nullptr);
        m_model.reset();
        m_server.reset();
        m_env.reset();
    }

    void requestShape() {
        std::optional<int> timeout;
        HttpCall::setObserverForTesting([&](const HttpCall& call) { timeout = call.timeoutMs; });
        m_server->enqueue(ScriptedReply::json(200, jsonText("{'ok':true}")));
        sync();
        QCOMPARE(timeout, 25000);
        const RecordedRequest& r = m_server->requests().first();
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.path, u"/api.php"_s);
        QCOMPARE(r.query.toString(), u"action=sync"_s);
        QCOMPARE(r.header("content-type"), QByteArray("application/json"));
        QCOMPARE(r.header("x-api-key"), QByteArray("secret"));
        QVERIFY(!r.hasHeader("accept"));
        const QJsonObject body = lastBody();
        QVERIFY(!body.contains("since"_L1));
        QCOMPARE(body.value("pending"_L1).toArray().size(), 0);
    }

    void notSent_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty key") << u"http://127.0.0.1:1"_s << QString() << u"Not configured"_s;
        QTest::newRow("blank key") << u"http://127.0.0.1:1"_s << u" \n"_s << u"Not configured"_s;
        QTest::newRow("only slashes") << u"/"_s << u"k"_s << u"Not configured"_s;
        QTest::newRow("unparsable address")
            << u"http://exa mple.com"_s << u"k"_s << u"Invalid server address"_s;
    }

    void notSent() {
        QFETCH(QString, server);
        QFETCH(QString, key);
        QFETCH(QString, error);
        configure(server, key);
        const SyncSummary s = sync();
        QCOMPARE(s, (SyncSummary{true, error, 0, std::nullopt}));
        QCOMPARE(m_server->requests().size(), 0);
    }

    void transportFailures_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("nothing listening") << 0;
        QTest::newRow("time-out") << 1;
        QTest::newRow("body cut off after the status line") << 2;
        QTest::newRow("connection reset") << 3;
    }

    void transportFailures() {
        QFETCH(int, kind);
        if (kind == 0) {
            configure(u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort()),
                      u"k"_s);
        } else if (kind == 1) {
            HttpCall::setTimeoutCapForTesting(300);
            m_server->enqueue(ScriptedReply::stalled());
        } else if (kind == 2) {
            m_server->enqueue(ScriptedReply::cutOffAfter(jsonText("{'ok':true,'results':[")));
        } else {
            // Every try: Qt sends a request again once when a connection drops.
            m_server->setDefaultReply(ScriptedReply::json(200, {}, ScriptedReply::Delivery::Reset));
        }
        addEntry(u"e1"_s, u"work"_s);
        const Db before = store().db();
        const SyncSummary s = sync();
        QVERIFY(!s.online);
        QVERIFY(s.error && !s.error->isEmpty());
        QCOMPARE(s.pending, 0);
        QCOMPARE(store().db(), before);
        recovers(kind == 3); // and a reply dripping one byte at a time
    }

    // The key never follows a redirect to another origin, even of the same host; the body
    // would go along with a 307.
    void redirects_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("302") << 302;
        QTest::newRow("307") << 307;
    }
    void redirects() {
        QFETCH(int, status);
        FakeHttpServer other;
        const QString target = other.baseUrl() + u"/api.php?action=sync"_s;
        ScriptedReply redirect = ScriptedReply::json(status, {});
        redirect.extraHeaders.append({"Location", target.toUtf8()});
        m_server->enqueue(redirect);
        const SyncSummary s = sync();
        QCOMPARE(s.error.value_or(QString()), HttpCall::redirectedMessage(QUrl(target)));
        QTest::qWait(100);
        QCOMPARE(other.requests().size(), 0);
    }

    void serverFailures_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::newRow("ok true with 500 is not merged")
            << 500 << jsonText("{'ok':true,'server_time':'2030-01-01T00:00:00Z'}")
            << u"Server said HTTP 500"_s;
        QTest::newRow("500 with error text")
            << 500 << jsonText("{'ok':true,'error':'Database down'}") << u"Database down"_s;
        QTest::newRow("502 from a proxy")
            << 502 << QByteArray("<html>Bad Gateway</html>") << u"Server said HTTP 502"_s;
        QTest::newRow("503 with error text")
            << 503 << jsonText("{'ok':false,'error':'Maintenance'}") << u"Maintenance"_s;
        QTest::newRow("50 MB that is not JSON")
            << 200 << QByteArray(50 * 1024 * 1024, 'x') << u"Server said HTTP 200"_s;
        QTest::newRow("401 body without ok")
            << 401 << jsonText("{'error':'Unknown key'}") << u"Server said HTTP 401"_s;
        QTest::newRow("200 not json")
            << 200 << QByteArray("<html>oops</html>") << u"Server said HTTP 200"_s;
        QTest::newRow("ok false with error")
            << 200 << jsonText("{'ok':false,'error':'Nope'}") << u"Nope"_s;
        QTest::newRow("entry missing a required key")
            << 200
            << jsonText("{'ok':true,'entries':[{'id':1,'description':'d','started_at':'s'}]}")
            << u"Server said HTTP 200"_s;
    }

    void serverFailures() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        addEntry(u"e1"_s, u"work"_s);
        store().db().settings.lastSync = u"2026-01-01T00:00:00Z"_s;
        const Db before = store().db();
        m_server->enqueue(ScriptedReply::json(status, body));
        const SyncSummary s = sync();
        QCOMPARE(s, (SyncSummary{true, error, 0, std::nullopt}));
        QCOMPARE(store().db(), before);
        QVERIFY(!QFile::exists(store().dbPath()));
        recovers();
    }

    void successMergesPrunesAndSaves() {
        // A picture attached here, a stray file, a tombstone's picture.
        m_model->start(u"design"_s, std::nullopt);
        const Entry running = *m_model->running();
        m_model->addScreenshot(running, "\x89PNG fake", u"png"_s);
        const QString uploaded = m_model->running()->screenshots->first().file.value();
        QFile stray(store().screenshotsDir() + u"/stray.txt"_s);
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();
        Entry tomb;
        tomb.id = u"tomb"_s;
        tomb.serverId = 50;
        tomb.startedAt = u"2026-01-01T08:00:00Z"_s;
        tomb.updatedAt = tomb.startedAt;
        tomb.deleted = true;
        tomb.screenshots = QList<Screenshot>{{std::nullopt, u"kept.png"_s}};
        store().db().entries.append(tomb);
        QFile kept(store().screenshotsDir() + u"/kept.png"_s);
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        m_model->addClient(u"Unmatched"_s, std::nullopt);

        m_server->setHandler([&](const RecordedRequest& request) {
            const QJsonObject body = QJsonDocument::fromJson(request.body).object();
            const QJsonArray pending = body.value("pending"_L1).toArray();
            const QString ref = pending[0].toObject().value("ref"_L1).toString();
            return ScriptedReply::json(
                200, jsonText("{'ok':true,'error':'ignored',"
                              "'results':[{'ref':'") +
                         ref.toUtf8() +
                         jsonText("','server_id':31,'screenshots':['2026/01/0123456789ab.png']}],"
                                  "'server_time':'2026-01-05T09:30:00Z'}"));
        });
        const SyncSummary s = sync();

        QCOMPARE(s.online, true);
        QCOMPARE(s.error, std::nullopt);
        QCOMPARE(s.serverTime, u"2026-01-05T09:30:00Z"_s);
        // Counted after the merge: the tombstone and the unmatched client.
        QCOMPARE(s.pending, 2);

        const QJsonObject sent = lastBody();
        const QJsonObject first = sent.value("pending"_L1).toArray()[0].toObject();
        QCOMPARE(first.value("screenshots"_L1).toArray()[0].toObject().value("ext"_L1).toString(),
                 u"png"_s);
        QCOMPARE(sent.value("new_clients"_L1).toArray().size(), 1);

        const Entry synced = *m_model->running();
        QCOMPARE(synced.serverId, 31);
        QCOMPARE(synced.syncState, Entry::synced);
        QCOMPARE(synced.screenshots->first().server, u"2026/01/0123456789ab.png"_s);

        const QStringList files = QDir(store().screenshotsDir()).entryList(QDir::Files);
        QCOMPARE(files, QStringList{u"kept.png"_s});
        QVERIFY(!files.contains(uploaded));

        Store reloaded(m_env->dataDirectory());
        QCOMPARE(reloaded.db(), store().db());
        QCOMPARE(reloaded.db().settings.lastSync, u"2026-01-05T09:30:00Z"_s);
    }

    void changeInFlightGoesWithNextSync() {
        addEntry(u"e1"_s, u"first words"_s);
        m_server->enqueue(ScriptedReply::json(
            200, jsonText("{'ok':true,'results':[{'ref':'e1','server_id':9,'screenshots':[]}]}")));
        m_server->enqueue(ScriptedReply::json(
            200, jsonText("{'ok':true,'results':[{'ref':'e1','server_id':9,'screenshots':[]}]}")));

        std::optional<SyncSummary> result;
        Api::sync(store(), m_model.get(), [&](const SyncSummary& s) { result = s; });
        // The person edits the entry while the request travels.
        m_model->updateDescription(store().db().entries[0], u"better words"_s);
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 30000);

        const Entry& e = store().db().entries[0];
        QCOMPARE(e.serverId, 9);
        QCOMPARE(e.description, u"better words"_s);
        QCOMPARE(e.syncState, Entry::pending);
        QCOMPARE(result->pending, 1);

        sync();
        const QJsonObject again = lastBody().value("pending"_L1).toArray()[0].toObject();
        QCOMPARE(again.value("server_id"_L1).toInteger(), 9);
        QCOMPARE(again.value("description"_L1).toString(), u"better words"_s);
        QCOMPARE(store().db().entries[0].syncState, Entry::synced);
    }

    void abandonedWhenOwnerGoes() {
        m_server->enqueue(ScriptedReply::stalled());
        bool called = false;
        auto owner = std::make_unique<QObject>();
        Api::sync(store(), owner.get(), [&](const SyncSummary&) { called = true; });
        QVERIFY(m_server->waitForRequests(1));
        owner.reset();
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(SyncTest)
#include "SyncTest.moc"

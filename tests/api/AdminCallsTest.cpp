#include "FakeHttpServer.h"
#include "TestEnv.h"
#include "api/Api.h"
#include "api/HttpCall.h"
#include "model/Store.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The people list, person creation and the client change call against a
// scripted server.
class AdminCallsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<Store> m_store;

    void configure(const QString& server, const QString& key) {
        m_store->db().settings.server = server;
        m_store->db().settings.apiKey = key;
    }

    QList<ReportUser> fetchUsers() {
        std::optional<QList<ReportUser>> result;
        Api::fetchUsers(*m_store, this, [&](const QList<ReportUser>& users) { result = users; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 30000))
            qFatal("fetchUsers never completed");
        return *result;
    }

    std::optional<ApiResult<ReportUser>> createUser(const QString& name, bool admin) {
        std::optional<ApiResult<ReportUser>> result;
        Api::createUser(*m_store, name, admin, this,
                        [&](const ApiResult<ReportUser>& r) { result = r; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 30000))
            qFatal("createUser never completed");
        return result;
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
        m_store = std::make_unique<Store>(m_env->dataDirectory());
        configure(m_server->baseUrl() + u"/"_s, u"  key-1 "_s);
    }

    void cleanup() {
        m_store.reset();
        m_server.reset();
        m_env.reset();
    }

    void fetchUsersSendsKeyOnly() {
        m_server->enqueue(ScriptedReply::json(
            200, R"({"users":[{"id":3,"name":"Ana","is_admin":true,"active":true},
                               {"id":4,"name":"Ben","is_admin":false,"active":false,"api_key":"k"}]})"));
        const QList<ReportUser> users = fetchUsers();
        QCOMPARE(users.size(), 2);
        QCOMPARE(users[0].name, u"Ana"_s);
        QVERIFY(!users[0].apiKey);
        QCOMPARE(users[1].apiKey, u"k"_s);

        QCOMPARE(m_server->requests().size(), 1);
        const RecordedRequest& r = m_server->requests().first();
        QCOMPARE(r.method, QByteArray("GET"));
        QCOMPARE(r.path, u"/api.php"_s);
        QCOMPARE(r.query.queryItemValue(u"action"_s), u"users"_s);
        QCOMPARE(r.header("X-Api-Key"), QByteArray("key-1"));
        QVERIFY(!r.hasHeader("content-type"));
        QVERIFY(r.body.isEmpty());
    }

    void fetchUsersFailuresGiveEmptyList_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("person without active")
            << 200 << QByteArray(R"({"users":[{"id":1,"name":"A","is_admin":false}]})");
        QTest::newRow("not json") << 200 << QByteArray("<html>");
        QTest::newRow("forbidden") << 403 << QByteArray(R"({"error":"Admins only"})");
    }

    void fetchUsersFailuresGiveEmptyList() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        m_server->enqueue(ScriptedReply::json(status, body));
        QVERIFY(fetchUsers().isEmpty());
        QCOMPARE(m_server->requests().size(), 1);
    }

    void fetchUsersWithoutConnection() {
        configure(u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort()), u"k"_s);
        QVERIFY(fetchUsers().isEmpty());
        configure(m_server->baseUrl(), u"   "_s);
        QVERIFY(fetchUsers().isEmpty());
        QCOMPARE(m_server->requests().size(), 0);
    }

    void createUserMessages_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("forbidden with text")
            << 403 << QByteArray(R"({"error":"Only administrators may add people"})")
            << u"Only administrators may add people"_s;
        QTest::newRow("401 error object")
            << 401 << QByteArray(R"({"error":"Unknown key"})") << u"Unknown key"_s;
        QTest::newRow("ok without user")
            << 200 << QByteArray(R"({"ok":true})") << u"Malformed response"_s;
        QTest::newRow("user lacks active")
            << 200 << QByteArray(R"({"user":{"id":1,"name":"A","is_admin":false}})")
            << u"Malformed response"_s;
    }

    void createUserMessages() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        m_server->enqueue(ScriptedReply::json(status, body));
        const auto result = createUser(u"Cleo"_s, false);
        QVERIFY(!result->ok());
        QCOMPARE(result->error().message, message);
    }

    void createUserSendsNameAndFlag() {
        m_server->enqueue(ScriptedReply::json(
            200,
            R"({"user":{"id":9,"name":"Cleo","is_admin":true,"active":true,"api_key":"abc"}})"));
        const auto result = createUser(u" Cleo "_s, true);
        QVERIFY(result->ok());
        QCOMPARE(result->value().apiKey, u"abc"_s);

        const RecordedRequest& r = m_server->requests().first();
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.header("content-type"), QByteArray("application/json"));
        const QJsonObject body = QJsonDocument::fromJson(r.body).object();
        QCOMPARE(body.value("name"_L1).toString(), u" Cleo "_s);
        QCOMPARE(body.value("is_admin"_L1).toBool(), true);
        QCOMPARE(body.size(), 2);
    }

    void createUserNotConfigured_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("key");
        QTest::newRow("no key") << u"http://127.0.0.1:1"_s << u" "_s;
        QTest::newRow("only slashes") << u"/"_s << u"k"_s;
        QTest::newRow("unparsable") << u"http://exa mple.com"_s << u"k"_s;
    }

    void createUserNotConfigured() {
        QFETCH(QString, server);
        QFETCH(QString, key);
        configure(server, key);
        const auto result = createUser(u"X"_s, false);
        QCOMPARE(result->error().message, u"Not configured"_s);
    }

    void createUserTransportFailure() {
        configure(u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort()), u"k"_s);
        const auto result = createUser(u"X"_s, false);
        QVERIFY(!result->ok());
        QVERIFY(!result->error().message.isEmpty());
        QVERIFY(!result->error().message.startsWith(u"Server said"_s));
    }

    // Only transport failures and server failures are tried again.
    void clientChangeAnswers_data() {
        QTest::addColumn<int>("status"); // 0: no server
        QTest::addColumn<ClientChange::Kind>("kind");
        QTest::addColumn<QString>("message");
        const QString taken = u"A client named \"Acme\" already exists"_s;
        QTest::newRow("200") << 200 << ClientChange::Kind::Accepted << QString();
        QTest::newRow("409") << 409 << ClientChange::Kind::Refused << taken;
        QTest::newRow("502") << 502 << ClientChange::Kind::Failed << taken;
        QTest::newRow("no server") << 0 << ClientChange::Kind::Failed << QString();
    }
    void clientChangeAnswers() {
        QFETCH(int, status);
        QFETCH(ClientChange::Kind, kind);
        QFETCH(QString, message);
        if (status == 0)
            configure(u"http://127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort()),
                      u"k"_s);
        m_server->enqueue(ScriptedReply::json(
            status, QJsonDocument(QJsonObject{{"error"_L1, message}}).toJson()));
        Client acme{u"a"_s, 17, u"Acme Ltd"_s, u"#14b8a6"_s};
        acme.syncState = Entry::pending;
        acme.changed = {Client::nameField};
        std::optional<ClientChange::Answer> answer;
        Api::sendClientChange(*m_store, *ClientChange::of(acme), this,
                              [&](const ClientChange::Answer& a) { answer = a; });
        QTRY_VERIFY(answer.has_value());
        QCOMPARE(answer->kind, kind);
        if (status != 0)
            QCOMPARE(answer->message, message);
    }

    void completionNeverSynchronous() {
        configure(QString(), QString());
        bool called = false;
        Api::fetchUsers(*m_store, this, [&](const QList<ReportUser>&) { called = true; });
        QVERIFY(!called);
        QTRY_VERIFY(called);
    }
};

QTEST_GUILESS_MAIN(AdminCallsTest)
#include "AdminCallsTest.moc"

#include "ServerHarness.h"
#include "Storage.h"
#include "TestEnv.h"
#include "TrackingServer.h"

#include "api/ReportUser.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

// Routing, authentication, the people and client calls and the failure
// answers of the tracking server, over real HTTP.
class ServerApiTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ServerHarness> m_harness;
    QString m_adminKey;
    QString m_memberKey;

    ServerHarness& h() { return *m_harness; }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_harness = std::make_unique<ServerHarness>(m_env->path(u"server"_s));
        m_adminKey = h().addPerson(u"Ada"_s, true);
        m_memberKey = h().addPerson(u"Bob"_s, false);
    }

    void cleanup() {
        m_harness.reset();
        m_env.reset();
    }

    void keysAreRandomHexAndStoredOnlyAsHashes() {
        QCOMPARE(m_adminKey.size(), 64);
        QVERIFY(QRegularExpression(u"\\A[0-9a-f]{64}\\z"_s).match(m_adminKey).hasMatch());
        QVERIFY(m_adminKey != m_memberKey);
        // The database file never holds a key itself.
        QFile db(m_env->path(u"server"_s) + u"/zevra.sqlite"_s);
        QVERIFY(db.open(QIODevice::ReadOnly));
        const QByteArray content = db.readAll();
        QFile wal(m_env->path(u"server"_s) + u"/zevra.sqlite-wal"_s);
        const QByteArray walContent = wal.open(QIODevice::ReadOnly) ? wal.readAll() : QByteArray();
        QVERIFY(!content.contains(m_adminKey.toLatin1()));
        QVERIFY(!walContent.contains(m_adminKey.toLatin1()));
    }

    void authentication_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << QString() << 401 << u"Missing API key"_s;
        QTest::newRow("blank") << u"   "_s << 401 << u"Missing API key"_s;
        QTest::newRow("unknown") << QString(64, u'a') << 401 << u"Invalid API key"_s;
        QTest::newRow("admin key") << u"ADMIN"_s << 200 << QString();
        QTest::newRow("member key") << u"MEMBER"_s << 200 << QString();
    }

    void authentication() {
        QFETCH(QString, key);
        QFETCH(int, status);
        QFETCH(QString, error);
        if (key == "ADMIN"_L1)
            key = m_adminKey;
        else if (key == "MEMBER"_L1)
            key = m_memberKey;
        const HttpResult r = h().sync(key, SyncBody::request({}));
        QCOMPARE(r.status, status);
        QCOMPARE(r.header("Content-Type"), "application/json"_ba);
        if (status == 200) {
            QCOMPARE(r.json.value("ok"_L1).toBool(), true);
        } else {
            QCOMPARE(r.error(), error);
            // "ok" false lets the sync show the message itself.
            QCOMPARE(r.json.value("ok"_L1), QJsonValue(false));
        }
    }

    void inactivePersonIsRefused() {
        const QString key = h().addPerson(u"Gone"_s);
        QVERIFY(h().storage().setUserActive(h().personId(u"Gone"_s), false));
        const HttpResult r = h().sync(key, SyncBody::request({}));
        QCOMPARE(r.status, 401);
        QCOMPARE(r.error(), u"This account is disabled"_s);
    }

    void failures_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown action") << "GET"_ba << u"/api.php?action=nothing"_s << QByteArray()
                                        << 404 << u"Unknown action"_s;
        QTest::newRow("no action")
            << "GET"_ba << u"/api.php"_s << QByteArray() << 404 << u"Unknown action"_s;
        QTest::newRow("sync with GET") << "GET"_ba << u"/api.php?action=sync"_s << QByteArray()
                                       << 405 << u"Method not allowed"_s;
        QTest::newRow("clients with POST") << "POST"_ba << u"/api.php?action=clients"_s << "{}"_ba
                                           << 405 << u"Method not allowed"_s;
        QTest::newRow("users with DELETE") << "DELETE"_ba << u"/api.php?action=users"_s
                                           << QByteArray() << 405 << u"Method not allowed"_s;
        QTest::newRow("malformed JSON")
            << "POST"_ba << u"/api.php?action=sync"_s << "{\"pending\": ["_ba << 400 << QString();
        QTest::newRow("JSON array body") << "POST"_ba << u"/api.php?action=sync"_s << "[]"_ba << 400
                                         << u"The body must be a JSON object"_s;
        QTest::newRow("empty body")
            << "PATCH"_ba << u"/api.php?action=clients"_s << QByteArray() << 400 << QString();
        QTest::newRow("pending not a list")
            << "POST"_ba << u"/api.php?action=sync"_s << "{\"pending\": {}}"_ba << 400
            << u"\"pending\" must be a list"_s;
        QTest::newRow("other path")
            << "GET"_ba << u"/index.html"_s << QByteArray() << 404 << u"Not found"_s;
        QTest::newRow("root") << "GET"_ba << u"/"_s << QByteArray() << 404 << u"Not found"_s;
    }

    void failures() {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, error);
        const HttpResult r = h().request(
            method, path, m_adminKey,
            method == "GET" || method == "DELETE" ? std::nullopt : std::optional<QByteArray>(body));
        QCOMPARE(r.status, status);
        QCOMPARE(r.header("Content-Type"), "application/json"_ba);
        QVERIFY2(!r.error().isEmpty(), r.body.constData());
        if (!error.isEmpty())
            QCOMPARE(r.error(), error);
        if (status == 405)
            QVERIFY(!r.header("Allow").isEmpty());
    }

    void bodyLimit_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("statusLine");
        const QByteArray head = "POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\n"_ba;
        QTest::newRow("announced over the limit") << head + "Content-Length: 67108865\r\n\r\n"
                                                  << "HTTP/1.1 413"_ba;
        QTest::newRow("chunked") << head +
                                        "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"
                                 << "HTTP/1.1 411"_ba;
        QTest::newRow("bad length") << head + "Content-Length: -4\r\n\r\n"
                                    << "HTTP/1.1 400"_ba;
        QTest::newRow("oversized head")
            << head + "X-Filler: " + QByteArray(70 * 1024, 'x') + "\r\n\r\n"
            << "HTTP/1.1 431"_ba;
        QTest::newRow("small body is read") << head + "Content-Length: 2\r\n\r\n{}"
                                            << "HTTP/1.1 401"_ba;
    }

    void bodyLimit() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, statusLine);
        const QByteArray answer = h().raw(request);
        QVERIFY2(answer.startsWith(statusLine), answer.left(200).constData());
        QVERIFY(answer.contains("\"error\""));
    }

    void smallLimitFollowsRequestsOnOneConnection() {
        // With a 60-byte limit, on one kept-alive connection: the guard skips
        // the first request's body and judges the next head on its own.
        ServerHarness small(m_env->path(u"small"_s), 60);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), small.port());
        QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
        QByteArray received;
        auto send = [&](const QByteArray& bytes, const QByteArray& expected) {
            received.clear();
            socket.write(bytes);
            return QTest::qWaitFor(
                [&] {
                    received += socket.readAll();
                    return received.contains(expected) && received.endsWith("}");
                },
                20000);
        };
        const QByteArray head = "POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\n"_ba;
        // A body that itself looks like a request head must not confuse it.
        const QByteArray tricky = "GET / HTTP/1.1\r\nContent-Length: 999\r\n\r\n{}";
        QVERIFY(tricky.size() <= 60);
        QVERIFY2(send(head + "Content-Length: " + QByteArray::number(tricky.size()) + "\r\n\r\n" +
                          tricky,
                      "HTTP/1.1 401"),
                 received.constData());
        QVERIFY2(send(head + "Content-Length: 60\r\n\r\n" + QByteArray(60, ' '), "HTTP/1.1 401"),
                 received.constData());
        QVERIFY2(send(head + "Content-Length: 61\r\n\r\n", "HTTP/1.1 413"), received.constData());
        QVERIFY(received.contains("larger than 60 bytes"));
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    }

    void largeAnswersAreCompressed_data() {
        QTest::addColumn<QByteArray>("acceptEncoding");
        QTest::addColumn<bool>("compressed");
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("deflate") << "deflate"_ba << true;
        QTest::newRow("Qt's default") << "gzip, deflate"_ba << true;
        QTest::newRow("upper case, weighted") << "gzip;q=1.0, DEFLATE;q=0.5"_ba << true;
        QTest::newRow("refused") << "gzip, deflate;q=0"_ba << false;
        QTest::newRow("gzip only") << "gzip"_ba << false;
        QTest::newRow("identity") << "identity"_ba << false;
        QTest::newRow("loopback left plain") << "deflate"_ba << false;
    }

    void largeAnswersAreCompressed() {
        QFETCH(QByteArray, acceptEncoding);
        QFETCH(bool, compressed);
        // The test talks over loopback, which is left plain unless asked.
        h().server().setCompressLoopback(QTest::currentDataTag() !=
                                         QByteArray("loopback left plain"));
        const qint64 ada = h().personId(u"Ada"_s);
        for (int i = 0; i < 1000; ++i) {
            ServerEntry e;
            e.userId = ada;
            e.ref = u"bulk-%1"_s.arg(i);
            e.description = u"Bulk entry number %1 with some words"_s.arg(i);
            e.startedAt = 1767600000 + i * 3600;
            e.updatedAt = e.startedAt;
            h().storage().insertEntry(e);
        }
        auto fetch = [&](const QByteArray& encoding) {
            QByteArray request = "POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\nX-Api-Key: " +
                                 m_adminKey.toLatin1() + "\r\nContent-Length: 2\r\n";
            if (!encoding.isEmpty())
                request += "Accept-Encoding: " + encoding + "\r\n";
            return h().raw(request + "\r\n{}");
        };
        const QByteArray plain = fetch(QByteArray());
        const QByteArray answer = fetch(acceptEncoding);
        const qsizetype headEnd = answer.indexOf("\r\n\r\n");
        const QByteArray head = answer.left(headEnd).toLower();
        QVERIFY2(head.startsWith("http/1.1 200"), head.constData());
        QByteArray body = answer.mid(headEnd + 4);
        const QByteArray plainBody = plain.mid(plain.indexOf("\r\n\r\n") + 4);
        QVERIFY(plainBody.size() > TrackingServer::compressFrom);
        QCOMPARE(head.contains("content-encoding: deflate"), compressed);
        if (compressed) {
            QVERIFY(body.size() < plainBody.size() / 4);
            // qUncompress wants the plain size in front, big-endian.
            QByteArray withSize(4, '\0');
            qToBigEndian<quint32>(quint32(plainBody.size()), withSize.data());
            body = qUncompress(withSize + body);
        }
        QCOMPARE(QJsonDocument::fromJson(body).object().value("entries"_L1).toArray().size(), 1000);
        QCOMPARE(body, plainBody);
    }

    void usersListing() {
        const HttpResult r = h().get(u"/api.php?action=users"_s, m_adminKey);
        QCOMPARE(r.status, 200);
        const QJsonArray users = r.json.value("users"_L1).toArray();
        QCOMPARE(users.size(), 2);
        for (const QJsonValue& v : users) {
            const auto user = ReportUser::fromJson(v);
            QVERIFY(user);
            QVERIFY(!user->apiKey);
            QVERIFY(user->active);
        }
        QCOMPARE(users[0].toObject().value("name"_L1).toString(), u"Ada"_s);
        QCOMPARE(users[0].toObject().value("is_admin"_L1).toBool(), true);
        QCOMPARE(users[1].toObject().value("is_admin"_L1).toBool(), false);
    }

    void membersCannotManagePeople() {
        const HttpResult list = h().get(u"/api.php?action=users"_s, m_memberKey);
        QCOMPARE(list.status, 403);
        QVERIFY(!list.error().isEmpty());
        const HttpResult create = h().request("POST", u"/api.php?action=users"_s, m_memberKey,
                                              R"({"name": "Eve", "is_admin": true})"_ba);
        QCOMPARE(create.status, 403);
        QVERIFY(!h().storage().userByName(u"Eve"_s));
    }

    void createPerson_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isAdmin");
        QTest::newRow("member") << R"({"name": "Cleo", "is_admin": false})"_ba << 201 << u"Cleo"_s
                                << false;
        QTest::newRow("admin, name trimmed")
            << R"({"name": "  Dan ", "is_admin": true})"_ba << 201 << u"Dan"_s << true;
        QTest::newRow("no is_admin") << R"({"name": "Fay"})"_ba << 201 << u"Fay"_s << false;
        QTest::newRow("no name") << R"({"is_admin": false})"_ba << 400 << QString() << false;
        QTest::newRow("blank name") << R"({"name": "   "})"_ba << 400 << QString() << false;
        QTest::newRow("name not text") << R"({"name": 5})"_ba << 400 << QString() << false;
        QTest::newRow("is_admin not a flag")
            << R"({"name": "Gil", "is_admin": "yes"})"_ba << 400 << QString() << false;
        QTest::newRow("taken name, other case")
            << R"({"name": "bob"})"_ba << 409 << QString() << false;
    }

    void createPerson() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, name);
        QFETCH(bool, isAdmin);
        const HttpResult r = h().request("POST", u"/api.php?action=users"_s, m_adminKey, body);
        QCOMPARE(r.status, status);
        if (status >= 400) {
            QVERIFY(!r.error().isEmpty());
            QCOMPARE(h().storage().users().size(), 2);
            return;
        }
        const auto user = ReportUser::fromJson(r.json.value("user"_L1));
        QVERIFY(user);
        QCOMPARE(user->name, name);
        QCOMPARE(user->isAdmin, isAdmin);
        QVERIFY(user->active);
        QVERIFY(user->apiKey);
        QCOMPARE(user->apiKey->size(), 64);

        // The new key works at once and the listing never shows it again.
        QCOMPARE(h().sync(*user->apiKey, SyncBody::request({})).status, 200);
        const HttpResult list = h().get(u"/api.php?action=users"_s, m_adminKey);
        QVERIFY(!list.body.contains(user->apiKey->toLatin1()));
        QCOMPARE(list.json.value("users"_L1).toArray().size(), 3);
    }

    void clientColour_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("color");
        QTest::newRow("member may set it")
            << u"{\"id\": ID, \"color\": \"#F97316\"}"_s << 200 << u"#f97316"_s;
        QTest::newRow("no hash") << u"{\"id\": ID, \"color\": \"F97316\"}"_s << 400 << u"#112233"_s;
        QTest::newRow("short") << u"{\"id\": ID, \"color\": \"#fff\"}"_s << 400 << u"#112233"_s;
        QTest::newRow("not hex") << u"{\"id\": ID, \"color\": \"#12345g\"}"_s << 400
                                 << u"#112233"_s;
        QTest::newRow("missing colour") << u"{\"id\": ID}"_s << 400 << u"#112233"_s;
        QTest::newRow("id not a number")
            << u"{\"id\": \"1\", \"color\": \"#000000\"}"_s << 400 << u"#112233"_s;
        QTest::newRow("unknown id")
            << u"{\"id\": 999, \"color\": \"#000000\"}"_s << 404 << u"#112233"_s;
    }

    void clientColour() {
        QFETCH(QString, body);
        QFETCH(int, status);
        QFETCH(QString, color);
        const ServerClient client =
            h().storage().createClient(u"Acme"_s, u"#112233"_s, h().personId(u"Ada"_s), 0);
        body.replace(u"ID"_s, QString::number(client.id));
        const HttpResult r =
            h().request("PATCH", u"/api.php?action=clients"_s, m_memberKey, body.toUtf8());
        QCOMPARE(r.status, status);
        if (status >= 400)
            QVERIFY(!r.error().isEmpty());
        QCOMPARE(h().storage().client(client.id)->color, color);

        // Everybody's next sync carries the colour.
        const HttpResult sync = h().sync(m_adminKey, SyncBody::request({}));
        const QJsonObject listed = sync.json.value("clients"_L1).toArray().first().toObject();
        QCOMPARE(listed.value("color"_L1).toString(), color);
    }
};

QTEST_MAIN(ServerApiTest)
#include "ServerApiTest.moc"

#include "ReleaseStore.h"
#include "ServerCommand.h"
#include "ServerHarness.h"
#include "ServerRunner.h"
#include "ServerTime.h"
#include "Storage.h"
#include "api/ReportUser.h"

#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

// The tracking server: its command line, its data folder, and over real HTTP
// authentication and access, body limits, the people, release and report calls
// (publishing from the command line runs in the update's end-to-end test).
class ServerApiTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServerFixture> f;
    QHash<QString, qint64> m_ids;     // people and clients of the report by name
    QHash<qint64, QString> m_entries; // its entries' names by id
    ServerHarness& h() { return f->h; }

    // Report fixture, at 2026-01-07 12:00: Cleo's entry is still running;
    // the last two lie just outside 5 to 8 January.
    void addReportEntries() {
        f.reset(); // one sandbox, and so one program clock, at a time
        f = std::make_unique<ServerFixture>(QDateTime(QDate(2026, 1, 7), QTime(12, 0), Qt::UTC));
        h().addPerson(u"Cleo"_s);
        for (const QString& name : {u"Ada"_s, u"Bob"_s, u"Cleo"_s})
            m_ids.insert(name, h().personId(name));
        m_ids.insert(u"Acme"_s, h().storage().createClient(u"Acme"_s, u"#112233"_s, 1, 0).id);
        m_ids.insert(u"Zeta"_s, h().storage().createClient(u"Zeta"_s, u"#445566"_s, 1, 0).id);
        auto at = [](const QString& t) {
            return *ServerTime::parse(u"2026-01-"_s + t + (t.size() == 8 ? u":00Z"_s : u"Z"_s));
        };
        for (const QStringList& e :
             {QStringList{u"at-start"_s, u"Ada"_s, u"Acme"_s, u"05T00:00"_s, u"05T01:00"_s},
              {u"ada-none"_s, u"Ada"_s, {}, u"05T13:00"_s, u"05T13:30"_s},
              {u"bob-zeta"_s, u"Bob"_s, u"Zeta"_s, u"06T08:00"_s, u"06T10:00"_s},
              {u"bob-acme"_s, u"Bob"_s, u"Acme"_s, u"06T23:30"_s, u"07T00:30"_s},
              {u"cleo-run"_s, u"Cleo"_s, u"Zeta"_s, u"07T11:00"_s, {}},
              {u"before"_s, u"Ada"_s, u"Acme"_s, u"04T23:59:59"_s, u"05T01:00"_s},
              {u"at-end"_s, u"Ada"_s, u"Acme"_s, u"08T00:00"_s, u"08T01:00"_s}}) {
            ServerEntry entry;
            entry.userId = m_ids.value(e[1]);
            entry.ref = entry.description = e[0];
            if (e[0] == u"ada-none"_s)
                entry.description = specialText();
            if (!e[2].isEmpty())
                entry.clientId = m_ids.value(e[2]);
            entry.startedAt = entry.updatedAt = at(e[3]);
            if (!e[4].isEmpty())
                entry.endedAt = at(e[4]);
            m_entries.insert(h().storage().insertEntry(entry), e[0]);
        }
        h().storage().setScreenshots(m_entries.key(u"at-start"_s),
                                     {u"2026/01/0123456789abcdef.png"_s, u"2026/01/0b.png"_s});
        h().storage().setScreenshots(m_entries.key(u"bob-acme"_s), {u"2026/01/0c.png"_s});
    }

    // Everything JSON must escape, and long enough (over 64 KB) for the
    // report to travel compressed.
    static QString specialText() {
        return u"\"quoted\" back\\slash\nline\ttab\r\u0001 caf\u00e9 "_s + QString(70000, u'x');
    }

    HttpResult report(const QString& key, QString query) {
        for (const QString& name : {u"Ada"_s, u"Bob"_s, u"Cleo"_s, u"Acme"_s, u"Zeta"_s})
            query.replace(name.toUpper(), QString::number(m_ids.value(name)));
        return h().get(u"/api.php?action=reports&"_s + query, key);
    }

    QStringList names(const QJsonObject& report, const char* group = nullptr) const {
        QStringList out;
        for (const QJsonValue& v : group ? report["grouped"_L1][QLatin1StringView(group)].toArray()
                                         : report["entries"_L1].toArray())
            out.append(group ? v["name"_L1].toString() + u'=' +
                                   QString::number(v["seconds"_L1].toInteger())
                             : m_entries.value(v["id"_L1].toInteger()));
        return out;
    }

    // Runs zevra-server over "<sandbox>/d/server": exit code, output, errors.
    std::tuple<int, QByteArray, QByteArray> run(const QStringList& arguments) {
        QProcess p;
        p.start(qEnvironmentVariable("ZEVRA_BUILD_DIR") + u"/server/zevra-server"_s,
                QStringList{u"--data"_s, f->env.path() + u"/d/server"_s} +
                    h().database().arguments() + arguments);
        if (!p.waitForFinished(60000))
            qFatal("zevra-server did not finish");
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), p.readAllStandardError()};
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServerFixture>(); }
    void cleanup() { f.reset(); }

    void requests_data() { // a GET without a body, a POST with one
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        const QString sync = u"/api.php?action=sync"_s, users = u"/api.php?action=users"_s;
        const QByteArray eve = R"({"name": " Eve ", "is_admin": true})"_ba;
        QTest::newRow("no key") << sync << QString() << "{}"_ba << 401;
        QTest::newRow("member syncs") << sync << u"BOB"_s << "{}"_ba << 200;
        QTest::newRow("member lists people") << users << u"BOB"_s << ""_ba << 403;
        QTest::newRow("member adds a person") << users << u"BOB"_s << eve << 403;
        QTest::newRow("admin adds a person") << users << u"ADA"_s << eve << 201;
        QTest::newRow("taken name") << users << u"ADA"_s << R"({"name": "bob"})"_ba << 409;
    }

    void requests() {
        QFETCH(QString, path);
        QFETCH(QString, key);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        key = key == "ADA"_L1 ? f->ada : key == "BOB"_L1 ? f->bob : key;
        const HttpResult r =
            body.isEmpty() ? h().get(path, key) : h().request("POST", path, key, body);
        QCOMPARE(r.status, status);
        QCOMPARE(r.error().isEmpty(), status < 300);
        if (path.endsWith(u"users"_s))
            QCOMPARE(h().storage().users().size(), status == 201 ? 3 : 2);
        if (status != 201)
            return;
        const auto made = ReportUser::fromJson(r.json.value("user"_L1));
        QCOMPARE(made->name, u"Eve"_s);
        QVERIFY(made->isAdmin);
        // The new key works at once and the listing never shows it again.
        QCOMPARE(h().sync(*made->apiKey, SyncBody::request({})).status, 200);
        QVERIFY(!h().get(path, f->ada).body.contains(made->apiKey->toUtf8()));
    }

    // Accounts switched off and on, keys replaced; an old or switched-off key fails at once.
    void changePerson_data() {
        QTest::addColumn<QString>("target"); // changed by Ada, or Bob in the first row
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("bobWorks");
        const QByteArray off = R"("active": false)", on = R"("active": true)";
        const QByteArray key = R"("new_key": true)";
        QTest::newRow("member") << u"Ada"_s << off << 403 << true;
        QTest::newRow("off") << u"Bob"_s << off << 200 << false;
        QTest::newRow("back on") << u"Bob"_s << on << 200 << true;
        QTest::newRow("new key") << u"Bob"_s << key << 200 << false;
        QTest::newRow("not oneself") << u"Ada"_s << off << 409 << true;
        QTest::newRow("own new key") << u"Ada"_s << key << 200 << true;
        QTest::newRow("no change") << u"Bob"_s << R"("new_key": false)"_ba << 400 << true;
    }

    void changePerson() {
        QFETCH(QString, target);
        QFETCH(QByteArray, change);
        QFETCH(int, status);
        QFETCH(bool, bobWorks);
        const QByteArray tag = QTest::currentDataTag();
        if (tag == "back on")
            QVERIFY(h().storage().setUserActive(h().personId(u"Bob"_s), false));
        const qint64 id = h().personId(target);
        const HttpResult r =
            h().request("PATCH", u"/api.php?action=users"_s, tag == "member" ? f->bob : f->ada,
                        "{\"id\": " + QByteArray::number(id) + ", " + change + "}");
        QCOMPARE(r.status, status);
        QCOMPARE(h().sync(f->bob, SyncBody::request({})).status, bobWorks ? 200 : 401);
        const auto user = ReportUser::fromJson(r.json.value("user"_L1));
        QCOMPARE(user.has_value(), status == 200);
        if (user && user->apiKey)
            QCOMPARE(h().sync(*user->apiKey, SyncBody::request({})).status, 200);
        const bool adaReplaced = user && user->apiKey && target == "Ada"_L1;
        QCOMPARE(h().sync(f->ada, SyncBody::request({})).status, adaReplaced ? 401 : 200);
    }

    // With a 60-byte limit, on one kept-alive connection: a body at the limit
    // passes, one byte more is refused, and a body that looks like a request
    // head is skipped rather than read as the next request.
    void limitAtTheByteOnOneConnection() {
        ServerHarness small(f->env.path(u"small"_s), 60);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), small.port());
        QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
        QByteArray received;
        auto send = [&](const QByteArray& body, qsizetype length, const QByteArray& expected) {
            received.clear();
            socket.write("POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                         QByteArray::number(length) + "\r\n\r\n" + body);
            return QTest::qWaitFor(
                [&] { return (received += socket.readAll()).contains(expected); }, 20000);
        };
        const QByteArray tricky = "GET / HTTP/1.1\r\nContent-Length: 999\r\n\r\n{}";
        QVERIFY2(send(tricky, tricky.size(), "HTTP/1.1 401"), received.constData());
        QVERIFY2(send(QByteArray(60, ' '), 60, "HTTP/1.1 401"), received.constData());
        QVERIFY2(send({}, 61, "HTTP/1.1 413"), received.constData());
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    }

    // At most two connections, idle after a second: an idle one and one whose head stalls
    // are closed on time; with both in the middle of a request a third is refused at once
    // without harm to the two; a slow but steady upload is answered.
    void connectionLimitAndIdleTimeout() {
        h().server().setMaxConnections(2);
        h().server().setIdleTimeout(std::chrono::seconds(1));
        QTcpSocket idle, stuck, stuck2, extra, slow;
        QElapsedTimer sent;
        sent.start();
        const auto open = [&](QTcpSocket& s, const QByteArray& text) {
            s.connectToHost(QHostAddress(QHostAddress::LocalHost), h().port());
            QVERIFY(s.waitForConnected(5000));
            s.write(text);
            QTest::qWait(100); // accepted in this order
        };
        const QByteArray head = "GET /api.php?action=version HTTP/1.1\r\n";
        open(idle, head + "Host: x\r\n\r\n");
        open(stuck, head);
        QTRY_VERIFY(idle.bytesAvailable() > 0);
        QVERIFY(idle.readAll().startsWith("HTTP/1.1 200"));
        QCOMPARE(idle.state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE(idle.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(sent.elapsed() >= 1000);
        QTRY_COMPARE(stuck.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(stuck.readAll().startsWith("HTTP/1.1 408"));

        open(stuck, head);
        open(stuck2, head);
        open(extra, head + "Host: x\r\n\r\n");
        QTRY_COMPARE(extra.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(extra.readAll().startsWith("HTTP/1.1 503"));
        QCOMPARE(stuck.state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE(stuck2.state(), QAbstractSocket::UnconnectedState);

        slow.connectToHost(QHostAddress(QHostAddress::LocalHost), h().port());
        slow.write("POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\nContent-Length: 3000\r\n\r\n");
        for (int part = 0; part < 3; ++part) {
            QTest::qWait(500);
            slow.write(QByteArray(1000, ' '));
        }
        QTRY_VERIFY(slow.bytesAvailable() > 0);
        QVERIFY(slow.readAll().startsWith("HTTP/1.1 401"));
        QCOMPARE(h().get(u"/api.php?action=version"_s).status, 200);
    }

    // A large body with a key that is not accepted is refused by its head,
    // before it is sent.
    void largeBodyRefusedBeforeItArrives() {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), h().port());
        socket.write("POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\nX-Api-Key: wrong\r\n"
                     "Content-Length: 50000000\r\n\r\n");
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(socket.readAll().startsWith("HTTP/1.1 401"));
    }

    // A copy taken by another process while the server holds a write open
    // has every committed entry and nothing of the unfinished write.
    void backupWhileServing() {
        QJsonArray pending;
        for (int i = 0; i < 30; ++i)
            pending.append(SyncBody::entry(u"e%1"_s.arg(i), u"Work"_s, u"2026-01-05T08:00:00Z"_s));
        QCOMPARE(h().sync(f->bob, SyncBody::request(pending)).status, 200);
        const qint64 bob = h().personId(u"Bob"_s);
        const QString copy = f->env.path() + u"/copy.sqlite"_s;
        const QStringList backup{u"--data"_s, f->env.path(u"server"_s), u"backup"_s, copy};
        h().storage().begin();
        h().storage().insertEntry(ServerEntry{0, bob, u"unfinished"_s, {}, {}, 1, {}, 1, {}});
        const auto [status, out, err] = run(backup);
        h().storage().rollback();
        if (h().database().url()) { // PostgreSQL has its own tools
            QVERIFY2(status == 1 && err.contains("pg_dump"), err.constData());
            return;
        }
        QVERIFY2(status == 0, err.constData());
        QCOMPARE(int(QFile::permissions(copy)) & 0x0077, 0);
        Storage copied;
        QString error;
        QVERIFY2(copied.open(DatabaseUrl::sqlite(copy), &error), qPrintable(error));
        QCOMPARE(copied.changesSince(bob, {}).entries.size(), 30);
        QCOMPARE(std::get<0>(run(backup)), 1); // never over an existing copy
    }

    void releases() {
        auto publish = [&](const QString& version, const QByteArray& content) {
            QFile zip(f->env.path() + u"/a.zip"_s);
            const bool written = zip.open(QIODevice::WriteOnly) && zip.write(content) > 0;
            zip.close();
            QString error; // set exactly when publishing fails
            return written &&
                   h().server().data().releases().publish(version, zip.fileName(),
                                                          u"On "_s + version, &error) &&
                   error.isEmpty();
        };
        QCOMPARE(h().get(u"/api.php?action=version"_s).body, "{}"_ba);
        QVERIFY(publish(u"0.9.0"_s, "PK\x03\x04nine"));
        f->env.clock().advanceSeconds(3600);
        QVERIFY(publish(u"0.10.0"_s, "PK\x03\x04ten"));
        // Published later but lower: not the newest. Versions have 64 characters at most.
        QVERIFY(publish(u"0"_s + QString(u".1"_s).repeated(31) + u'1', "PK\x03\x04"));
        QVERIFY(!publish(u"00"_s + QString(u".1"_s).repeated(31) + u'1', "PK\x03\x04"));
        QVERIFY(!publish(u"../0.1"_s, "PK\x03\x04"));
        QVERIFY(!publish(u"0.9.0"_s, "PK\x03\x04"));
        QVERIFY(!publish(u"2.0"_s, "just text"));

        const HttpResult r = h().get(u"/api.php?action=version"_s, u"any"_s); // no key needed
        QCOMPARE(r.json.value("version"_L1).toString(), u"0.10.0"_s);
        QCOMPARE(r.json.value("url"_L1).toString(), u"releases/0.10.0/zevra-tikit-0.10.0.zip"_s);
        QCOMPARE(r.json.value("pub_date"_L1).toString(), u"2026-01-05T10:30:00Z"_s);
        const HttpResult download = h().get(u"/"_s + r.json.value("url"_L1).toString());
        QCOMPARE(download.body, "PK\x03\x04ten"_ba);
        // Nothing but the published archives by their own names.
        for (const QString& path :
             {u"/releases/0.10.0/other.zip"_s, u"/releases/2.0/zevra-tikit-2.0.zip"_s,
              u"/releases/0.10.0/../../zevra.sqlite"_s, u"/releases/..%2F..%2Fzevra.sqlite"_s,
              u"/releases/0.10.0/"_s, u"/releases/0.10.0/zevra-tikit-0.10.0.zip/x"_s})
            QVERIFY2(h().rawGet(path).startsWith("HTTP/1.1 404"), qPrintable(path));
    }

    void reportAccessAndPeriods_data() {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected"); // {"400"}: refused
        const QString period = u"from=2026-01-05T00:00:00Z&to=2026-01-08T00:00:00Z&"_s;
        // The running entry counts up to now; the ones starting before or at the end do not.
        QTest::newRow("whole team") << true << period
                                    << QStringList{u"at-start"_s, u"ada-none"_s, u"bob-zeta"_s,
                                                   u"bob-acme"_s, u"cleo-run"_s};
        QTest::newRow("admin narrows") << true << period + u"user_ids=BOB,CLEO&client_ids=ZETA"_s
                                       << QStringList{u"bob-zeta"_s, u"cleo-run"_s};
        QTest::newRow("member asking for others") << false << period + u"user_ids=ADA,CLEO"_s
                                                  << QStringList{u"bob-zeta"_s, u"bob-acme"_s};
        QTest::newRow("member narrowing by client")
            << false << period + u"client_ids=ACME"_s << QStringList{u"bob-acme"_s};
        QTest::newRow("empty period")
            << true << u"from=2026-01-06T00:00:00Z&to=2026-01-06T00:00:00Z"_s << QStringList{};
        QTest::newRow("to before from")
            << true << u"from=2026-01-06T00:00:01Z&to=2026-01-06T00:00:00Z"_s
            << QStringList{u"400"_s};
    }

    void reportAccessAndPeriods() {
        QFETCH(bool, admin);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        addReportEntries();
        h().server().setCompressLoopback(true);
        const HttpResult r = report(admin ? f->ada : f->bob, query);
        QCOMPARE(r.status, expected == QStringList{u"400"_s} ? 400 : 200);
        if (r.status == 200)
            QCOMPARE(names(r.json), expected);
        if (QByteArray(QTest::currentDataTag()) != "whole team")
            return;
        QCOMPARE(r.json.value("total"_L1).toInteger(), 3600 + 1800 + 7200 + 3600 + 3600);
        QCOMPARE(r.json["entries"_L1][1]["description"_L1].toString(), specialText());
        QCOMPARE(names(r.json, "user"),
                 (QStringList{u"Bob=10800"_s, u"Ada=5400"_s, u"Cleo=3600"_s}));
        QCOMPARE(names(r.json, "client"),
                 (QStringList{u"Zeta=10800"_s, u"Acme=7200"_s, u"No client=1800"_s}));
        QCOMPARE(names(r.json, "day"),
                 (QStringList{u"2026-01-05=5400"_s, u"2026-01-06=10800"_s, u"2026-01-07=3600"_s}));
        const QJsonValue first = r.json["entries"_L1][0];
        QCOMPARE(first["user_name"_L1].toString(), u"Ada"_s);
        // Relative to the server address, as the device joins them.
        QCOMPARE(
            first["screenshots"_L1].toVariant().toStringList(),
            (QStringList{u"uploads/2026/01/0123456789abcdef.png"_s, u"uploads/2026/01/0b.png"_s}));
        QCOMPARE(r.json["entries"_L1][3]["screenshots"_L1][0].toString(),
                 u"uploads/2026/01/0c.png"_s);
        QVERIFY(r.json["entries"_L1][2]["screenshots"_L1].isUndefined());
        QVERIFY(r.json["entries"_L1][4]["duration"_L1].isUndefined());
    }

    // At the limit the connection idle longest makes room for a request.
    void idleConnectionsMakeRoom() {
        h().server().setMaxConnections(4);
        QTcpSocket idle[4];
        for (QTcpSocket& s : idle) {
            s.connectToHost(QHostAddress(QHostAddress::LocalHost), h().port());
            QVERIFY(s.waitForConnected(5000));
            QTest::qWait(50);
        }
        QCOMPARE(h().get(u"/api.php?action=version"_s).status, 200);
        QTRY_COMPARE(idle[0].state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(idle[3].state(), QAbstractSocket::ConnectedState);
    }

    // A request that asks for it has its connection closed right after its answer.
    void closedAfterAnswer_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("closed");
        const QByteArray get = "GET /api.php?action=version ";
        QTest::newRow("1.1") << get + "HTTP/1.1\r\nHost: x\r\n\r\n" << false;
        QTest::newRow("1.1 close") << get + "HTTP/1.1\r\nConnection: Close\r\n\r\n" << true;
        QTest::newRow("1.0") << get + "HTTP/1.0\r\n\r\n" << true;
        QTest::newRow("1.0 keep-alive") << get + "HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"
                                        << false;
    }
    void closedAfterAnswer() {
        QFETCH(QByteArray, request);
        QFETCH(bool, closed);
        QTcpSocket s;
        s.connectToHost(QHostAddress(QHostAddress::LocalHost), h().port());
        QVERIFY(s.waitForConnected(5000));
        s.write(request);
        QTRY_VERIFY(s.bytesAvailable() > 0);
        QTest::qWait(300);
        QVERIFY(s.readAll().contains("{}"));
        QCOMPARE(s.state() == QAbstractSocket::UnconnectedState, closed);
    }

    // Requests sent back to back on one connection are answered in their order, though a
    // sync is answered on another thread and the health check at once.
    void answersInRequestOrder() {
        QTcpSocket s;
        s.connectToHost(QHostAddress(QHostAddress::LocalHost), h().port());
        QVERIFY(s.waitForConnected(5000));
        const QByteArray body =
            QJsonDocument(
                SyncBody::request({SyncBody::entry(u"o"_s, u"Order"_s, u"2026-01-05T09:00:00Z"_s)}))
                .toJson(QJsonDocument::Compact);
        s.write("POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\nX-Api-Key: " + f->ada.toLatin1() +
                "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body +
                "GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
        QByteArray got;
        QTRY_VERIFY((got += s.readAll()).count("HTTP/1.1 200") == 2 && got.endsWith("}"));
        QVERIFY2(got.indexOf("server_time") < got.lastIndexOf("HTTP/1.1 200"), got.constData());
    }

    // Pictures and archives are never reached through a link, of a folder or of a file.
    void nothingServedThroughLinks() {
        const QString outside = f->env.path(u"outside"_s);
        const QString name = u"0123456789abcdef0123456789abcdef.png"_s;
        QVERIFY(QDir().mkpath(outside + u"/01"_s));
        QFile png(outside + u"/01/"_s + name);
        QVERIFY(png.open(QIODevice::WriteOnly) && png.write("\x89PNG") > 0);
        png.close();
        QVERIFY(QDir().mkpath(f->uploads()));
        QVERIFY(QFile::link(outside, f->uploads() + u"2026"_s));
        QVERIFY(h().rawGet(u"/uploads/2026/01/"_s + name).startsWith("HTTP/1.1 404"));
        if (h().database().url())
            return; // there archives are kept in the database
        QFile zip(f->env.path() + u"/a.zip"_s);
        QVERIFY(zip.open(QIODevice::WriteOnly) && zip.write("PK\x03\x04one") > 0);
        zip.close();
        QString error;
        QVERIFY(h().server().data().releases().publish(u"1.0"_s, zip.fileName(), {}, &error));
        const QString archive = f->env.path(u"server"_s) + u"/releases/1.0/zevra-tikit-1.0.zip"_s;
        QVERIFY(h().rawGet(u"/releases/1.0/zevra-tikit-1.0.zip"_s).startsWith("HTTP/1.1 200"));
        QVERIFY(QFile::rename(archive, archive + u".real"_s));
        QVERIFY(QFile::link(archive + u".real"_s, archive));
        QVERIFY(h().rawGet(u"/releases/1.0/zevra-tikit-1.0.zip"_s).startsWith("HTTP/1.1 404"));
    }

    void arguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("parsed"); // the listen address, the kind, or the error
        const auto row = [](const char* name, const QStringList& args, const QString& parsed) {
            QTest::newRow(name) << args << parsed;
        };
        row("highest port", {u"--listen=0.0.0.0:65535"_s}, u"0.0.0.0:65535"_s);
        row("bare ipv6", {u"--listen=::1:80"_s}, u"--listen needs"_s);
        row("port too high", {u"--listen=127.0.0.1:65536"_s}, u"--listen needs"_s);
        row("most connections", {u"--max-connections=1000000"_s}, u"127.0.0.1:8080"_s);
        row("one too many", {u"--max-connections=1000001"_s}, u"--max-connections"_s);
        row("longest idle", {u"--idle-timeout=86400"_s}, u"127.0.0.1:8080"_s);
        row("idle a day and more", {u"--idle-timeout=86401"_s}, u"--idle-timeout"_s);
        row("drain over an hour", {u"--drain-timeout"_s, u"3601"_s}, u"--drain-timeout needs"_s);
        row("no workers", {u"--workers=0"_s}, u"--workers needs a whole number from 1 to 64"_s);
        row("workers when publishing", {u"publish"_s, u"1"_s, u"z"_s, u"--workers"_s, u"2"_s},
            u"only used when serving"_s);
        row("data without folder", {u"--data="_s}, u"--data needs a folder"_s);
        row("sqlite without path", {u"--database=sqlite:"_s}, u"sqlite: needs"_s);
        row("other engine", {u"--database=mysql://u@h/d"_s}, u"the database must be"_s);
        row("postgres without user", {u"--database=postgresql://h/d"_s},
            u"a PostgreSQL database needs"_s);
        row("option that splits", {u"--database=postgresql://u@h/d?sslmode=a;b"_s},
            u"cannot be passed on"_s);
        row("unknown option", {u"--colour"_s}, u"unknown option --colour"_s);
        row("unknown command", {u"grow"_s}, u"unknown command"_s);
        row("admin without name", {u"create-admin"_s, u" "_s}, u"create-admin needs"_s);
        row("publish without zip", {u"publish"_s, u"1.0"_s}, u"publish needs"_s);
        row("migrate-to without url", {u"migrate-to"_s}, u"migrate-to needs"_s);
        row("backup without file", {u"backup"_s}, u"backup needs"_s);
        row("backup", {u"backup"_s, u"--force"_s, u"b.sqlite"_s}, u"kind 4"_s);
        row("notes when serving", {u"--notes=n"_s}, u"--notes is only"_s);
        row("listen when publishing", {u"publish"_s, u"1"_s, u"z"_s, u"--listen=1.2.3.4:5"_s},
            u"only used when serving"_s);
        row("force when serving", {u"--force"_s}, u"--force is only"_s);
    }

    void arguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, parsed);
        QString error;
        const auto c = ServerCommand::parse(args, &error);
        QCOMPARE(error.isEmpty(), bool(c));
        const QString got = !c ? error
                            : c->kind == ServerCommand::Kind::Serve
                                ? c->host + u':' + QString::number(c->port)
                                : u"kind %1"_s.arg(int(c->kind));
        QVERIFY2(got.contains(parsed), qPrintable(got));
    }

    void runnerRefusals_data() {
        QTest::addColumn<QStringList>("args"); // DATA: a server folder of the sandbox
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"zevra-server 0."_s;
        QTest::newRow("no archive")
            << QStringList{u"publish"_s, u"1.0"_s, u"DATA/none.zip"_s} << 1 << u"zevra-server: "_s;
        QTest::newRow("migrate onto itself")
            << QStringList{u"migrate-to"_s, u"sqlite:DATA/zevra.sqlite"_s} << 1 << u"already in"_s;
        QTest::newRow("folder that cannot be made")
            << QStringList{u"--data=/proc/zevra"_s, u"create-admin"_s, u"Al"_s} << 1
            << u"zevra-server: "_s;
        QTest::newRow("database that cannot be opened")
            << QStringList{u"--database=sqlite:/proc/none/z.sqlite"_s, u"create-admin"_s, u"Al"_s}
            << 1 << u"zevra-server: "_s;
        QTest::newRow("bad arguments") << QStringList{u"publish"_s} << 2 << u"Usage:"_s;
        // A database password is never shown, whatever is wrong with its URL.
        for (const QString& url :
             {u"mysql://zevra:S3cr3t@h/d"_s, u"postgresql://zevra:S3cr3t@h:99999/d"_s,
              u"postgresql://zevra:S3cr3t@h/"_s})
            for (const QString& form : {u"--database="_s, u"ZEVRA_DATABASE="_s})
                QTest::addRow("%s%s", qPrintable(form), qPrintable(url))
                    << QStringList{form + url} << 2 << u"database"_s;
        QTest::newRow("unreadable database file")
            << QStringList{u"--database-file=DATA/none"_s} << 2 << u"cannot read"_s;
        QTest::newRow("lone certificate")
            << QStringList{u"--tls-cert=c.pem"_s} << 2 << u"--tls-cert and --tls-key go together"_s;
    }

    void runnerRefusals() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, said);
        const QString data = f->env.path() + u"/d/server"_s;
        QStringList full{u"--data="_s + data};
        for (const QString& a : args) {
            if (a.startsWith("ZEVRA_DATABASE="_L1))
                qputenv("ZEVRA_DATABASE", a.mid(15).toUtf8());
            else
                full.append(QString(a).replace(u"DATA"_s, data));
        }
        QString out, err;
        QTextStream o(&out), e(&err);
        const int exit = ServerRunner(o, e).run(full);
        qunsetenv("ZEVRA_DATABASE");
        QCOMPARE(exit, status);
        QVERIFY2((out + err).contains(said), qPrintable(out + err));
        QVERIFY(!(out + err).contains("S3cr3t"_L1));
    }

    void createAdmin() {
        // Bad arguments: exit status 2, with the usage on standard error.
        const auto [bad, badOut, badErr] = run({u"create-admin"_s, u"A"_s, u"--listen=:1"_s});
        QVERIFY2(bad == 2 && badOut.isEmpty() && badErr.contains("Usage:"), badErr.constData());
        // The key alone on standard output; a name taken in any case refused.
        const auto [made, key, madeErr] = run({u"create-admin"_s, u" Ada Admin "_s});
        QCOMPARE(made, 0);
        QVERIFY2(QRegularExpression(u"\\A[0-9a-f]{64}\\n\\z"_s).match(key).hasMatch(),
                 key.constData());
        QCOMPARE(std::get<0>(run({u"create-admin"_s, u"ada admin"_s})), 1);
        // The folders it made are rwx------ (Qt's 0x0700 repeats the owner's bits).
        const QString data = f->env.path() + u"/d/server"_s;
        for (const QString& folder : {data, data + u"/uploads"_s, data + u"/releases"_s})
            QCOMPARE(int(QFile::permissions(folder)) & 0x7077, 0x7000);
    }
};

QTEST_MAIN(ServerApiTest)
#include "ServerApiTest.moc"

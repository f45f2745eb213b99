#include "DataFolder.h"
#include "PeopleAction.h"
#include "PictureStore.h"
#include "ReleaseStore.h"
#include "ServerHarness.h"
#include "Storage.h"

#include <QJsonDocument>
#include <QNetworkReply>
#include <QProcess>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// Two zevra-server processes on one PostgreSQL database, as behind a load
// balancer, over records moved there from a SQLite data folder with
// migrate-to: any request may reach either, and together they act as one.
class ServerProcessesTest : public QObject {
    Q_OBJECT

    QNetworkAccessManager m_network;

    static void start(QProcess& p, const QStringList& arguments) {
        p.start(qEnvironmentVariable("ZEVRA_BUILD_DIR") + u"/server/zevra-server"_s, arguments);
    }

    // Starts a server on `port` (a free one when 0); gives the port.
    static quint16 serve(QProcess& p, const QStringList& arguments, quint16 port = 0) {
        start(p, arguments + QStringList{u"--listen"_s, u"127.0.0.1:%1"_s.arg(port)});
        if (!QTest::qWaitFor([&p] { return p.canReadLine(); }, 30000))
            return 0;
        // "zevra-server listening on http://127.0.0.1:PORT, data in ..."
        const QString line = QString::fromUtf8(p.readLine());
        return quint16(line.section(u':', 2).section(u',', 0, 0).toUInt());
    }

    // Creates an administrator; gives the key.
    static QString createAdmin(const QStringList& arguments, const QString& name = u"Ada"_s) {
        QProcess p;
        start(p, arguments + QStringList{u"create-admin"_s, name});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    QNetworkReply* post(quint16 port, const QString& key, const QJsonObject& body) {
        QNetworkRequest request(QUrl(u"http://127.0.0.1:%1/api.php?action=sync"_s.arg(port)));
        request.setRawHeader("X-Api-Key", key.toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
        return m_network.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    }

    QNetworkReply* fetch(quint16 port, const QString& path) {
        QNetworkReply* reply =
            m_network.get(QNetworkRequest(u"http://127.0.0.1:%1/"_s.arg(port) + path));
        if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, 30000))
            qFatal("no answer from zevra-server");
        return reply;
    }

    // The answer of a sync, or nothing unless it is a 200.
    static QJsonObject answer(QNetworkReply* reply) {
        if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, 60000))
            qFatal("no answer from zevra-server");
        reply->deleteLater();
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
            return {};
        return QJsonDocument::fromJson(reply->readAll()).object();
    }

    static int status(QNetworkReply* reply) {
        reply->deleteLater();
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }

    // A TLS connection to the server on `port`: the certificate it showed, and what came
    // back for `request` (nothing sent when empty) within a second.
    static std::pair<QByteArray, QByteArray> tls(quint16 port, const QByteArray& request,
                                                 QSslSocket& socket) {
        socket.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket.connectToHostEncrypted(u"127.0.0.1"_s, port);
        if (!socket.waitForEncrypted(10000))
            return {};
        socket.write(request);
        QByteArray answer;
        [[maybe_unused]] const bool whole = QTest::qWaitFor(
            [&] { return (answer += socket.readAll()).contains("\r\n\r\n"); }, 1000);
        return {socket.peerCertificate().digest(QCryptographicHash::Sha256), answer};
    }

private Q_SLOTS:
    // HTTPS: a bad pair refused at start with one line; the limit's 503 over TLS; SIGHUP
    // serves a renewed certificate to the next connection and keeps it over a bad one.
    void httpsRenewedOnHangUp() {
        TestEnv env;
        const QString dir = env.path(u"tls"_s);
        const QByteArray first = makeCertificate(dir, u"a"_s);
        const QByteArray second = makeCertificate(dir, u"b"_s);
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        const QStringList args{u"--data"_s,
                               env.path(u"server"_s),
                               u"--listen=127.0.0.1:0"_s,
                               u"--max-connections=1"_s,
                               u"--tls-cert"_s,
                               dir + u"/a.pem"_s,
                               u"--tls-key"_s};
        QProcess bad;
        start(bad, args + QStringList{dir + u"/a.pem"_s});
        QVERIFY(bad.waitForFinished(30000));
        QCOMPARE(bad.exitCode(), 1);
        QCOMPARE(bad.readAllStandardError().count('\n'), 1);

        QProcess server;
        start(server, args + QStringList{dir + u"/a.key"_s});
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 30000);
        const QString line = QString::fromUtf8(server.readLine());
        QVERIFY2(line.startsWith("zevra-server listening on https://"_L1), qPrintable(line));
        const quint16 port = quint16(line.section(':', 2, 2).section(',', 0, 0).toUInt());
        QSslSocket busy, refused, renewed;
        QCOMPARE(tls(port, "GET /api.php?action=version HTTP/1.1\r\n", busy).first, first);
        QVERIFY(tls(port, "GET / HTTP/1.1\r\n\r\n", refused).second.startsWith("HTTP/1.1 503"));

        QFile::remove(dir + u"/a.pem"_s);
        QFile::copy(dir + u"/b.pem"_s, dir + u"/a.pem"_s);
        QFile::remove(dir + u"/a.key"_s);
        QFile::copy(dir + u"/b.key"_s, dir + u"/a.key"_s);
        ::kill(pid_t(server.processId()), SIGHUP);
        QByteArray said;
        QTRY_VERIFY2((said += server.readAllStandardError()).contains("reloaded"),
                     said.constData());
        busy.abort();
        QCOMPARE(tls(port, "", renewed).first, second);
        QFile::remove(dir + u"/a.key"_s);
        ::kill(pid_t(server.processId()), SIGHUP);
        QTRY_VERIFY2((said += server.readAllStandardError()).contains("kept"), said.constData());
        renewed.abort();
        QSslSocket again;
        QCOMPARE(tls(port, "", again).first, second);
        server.terminate();
        QVERIFY(server.waitForFinished(30000));
    }

    // Two processes with their own data folders on one database, the first holding each
    // sync's transaction open for 6 s. A sync held past the devices' 3 s rewind while
    // another device syncs through the second: that device's next sync still brings the
    // entry. The first answers another sync meanwhile, and the held one's connection
    // outlives the 2 s idle time-out. Its picture, and one an older version left in the second's
    // folder, are served by both, as is a release published beside the first. SIGTERM: no new
    // connection is taken, an idle one is closed, requests under way are still answered
    // (/health with 503), then exit 0.
    void twoProcessesWithTheirOwnFolders() {
        TestEnv env;
        TestDatabase db;
        const QByteArray png = SyncBody::png(Qt::red), large = png + QByteArray(2500000, 'x');
        const QString old = u"2025/12/0123456789abcdef0123456789abcdef.png"_s;
        QVERIFY(QDir().mkpath(env.path(u"b/uploads/2025/12"_s)));
        QFile file(env.path(u"b/uploads/"_s) + old);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                file.write(large) == large.size());
        const QByteArray zip = "PK\x03\x04" + QByteArray(1500000, 'z');
        QFile archive(env.path() + u"/r.zip"_s);
        QVERIFY(archive.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                archive.write(zip) == zip.size());
        QProcess publish;
        start(publish, db.arguments() + QStringList{u"--data"_s, env.path(u"a"_s), u"publish"_s,
                                                    u"1.0"_s, archive.fileName()});
        QVERIFY(publish.waitForFinished(30000) && publish.exitCode() == 0);
        const QString key = createAdmin(db.arguments());
        QProcess servers[2];
        QProcessEnvironment holding = QProcessEnvironment::systemEnvironment();
        holding.insert(u"ZEVRA_TEST_HOLD_SYNC_MS"_s, u"6000"_s);
        servers[0].setProcessEnvironment(holding);
        // Idle connections close after 2 s there, but not one waiting for a held sync.
        const quint16 ports[] = {
            serve(servers[0], db.arguments() + QStringList{u"--data"_s, env.path(u"a"_s),
                                                           u"--idle-timeout"_s, u"2"_s}),
            serve(servers[1], db.arguments() + QStringList{u"--data"_s, env.path(u"b"_s)})};
        QJsonObject entry = SyncBody::entry(u"p"_s, u"Shot"_s, u"2026-01-05T09:00:00Z"_s);
        entry.insert("screenshots"_L1, QJsonArray{SyncBody::upload(png)});
        QNetworkReply* held = post(ports[0], key, SyncBody::request({entry}));
        QTest::qWait(4200);
        // The process holding that sync answers another one meanwhile.
        QVERIFY(!answer(post(ports[0], key, SyncBody::request({}))).isEmpty());
        QVERIFY(!held->isFinished());
        const QJsonObject meanwhile = answer(post(ports[1], key, SyncBody::request({})));
        const QJsonObject sent = answer(held);
        const QDateTime since =
            QDateTime::fromString(meanwhile["server_time"_L1].toString(), Qt::ISODate).addSecs(-3);
        QVERIFY(since.isValid());
        const QJsonObject next =
            answer(post(ports[1], key, SyncBody::request({}, since.toString(Qt::ISODate))));
        QCOMPARE(next["entries"_L1].toArray().size(), 1);

        for (const auto& [path, bytes] :
             {std::pair{sent["results"_L1][0]["screenshots"_L1][0].toString(), png},
              {old, large}}) {
            for (const quint16 port : ports) {
                QNetworkReply* reply = fetch(port, u"uploads/"_s + path);
                QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(),
                         u"image/png"_s);
                QCOMPARE(reply->readAll(), bytes);
            }
        }
        const QJsonDocument offered =
            QJsonDocument::fromJson(fetch(ports[1], u"api.php?action=version"_s)->readAll());
        QCOMPARE(offered["sha256"_L1].toString().toLatin1(),
                 QCryptographicHash::hash(zip, QCryptographicHash::Sha256).toHex());
        QCOMPARE(fetch(ports[1], offered["url"_L1].toString())->readAll(), zip);

        // The database out of reach: 503, and 200 again once it is back.
        for (const bool back : {false, true}) {
            TestDatabase::onCluster(u"ALTER DATABASE %1 ALLOW_CONNECTIONS %2"_s.arg(
                db.url()->name, back ? "true"_L1 : "false"_L1));
            TestDatabase::onCluster(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                                    " WHERE datname = '%1'"_s.arg(db.url()->name));
            QTRY_COMPARE(status(fetch(ports[1], u"health"_s)), back ? 200 : 503);
        }

        QTcpSocket idle, busy, late, asking;
        for (QTcpSocket* s : {&idle, &busy, &asking})
            s->connectToHost(QHostAddress::LocalHost, ports[1]);
        idle.write("GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
        asking.write("GET /health HTTP/1.1\r\nHost: x\r\n");
        QByteArray got;
        QTRY_VERIFY((got += idle.readAll()).contains("{") && got.startsWith("HTTP/1.1 200"));
        const QByteArray body = QJsonDocument(SyncBody::request({})).toJson();
        busy.write("POST /api.php?action=sync HTTP/1.1\r\nHost: x\r\nX-Api-Key: " + key.toLatin1() +
                   "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
                   body.left(5));
        QTRY_VERIFY(busy.bytesToWrite() == 0);
        ::kill(pid_t(servers[1].processId()), SIGTERM);
        QTRY_COMPARE(idle.state(), QAbstractSocket::UnconnectedState);
        late.connectToHost(QHostAddress::LocalHost, ports[1]);
        QVERIFY(!late.waitForConnected(2000));
        busy.write(body.mid(5));
        asking.write("\r\n");
        got.clear();
        QTRY_VERIFY((got += busy.readAll()).contains("server_time") &&
                    got.startsWith("HTTP/1.1 200"));
        QTRY_VERIFY(asking.peek(20).startsWith("HTTP/1.1 503"));
        QVERIFY(servers[1].waitForFinished(10000));
        QCOMPARE(servers[1].exitCode(), 0);
    }

    // One process on SQLite holding a sync's transaction for 6 s, past the devices' 3 s
    // rewind: another device of the person syncs meanwhile, and its next sync from the
    // server_time it got still brings the held sync's entry.
    void heldSyncOnSqlite() {
        TestEnv env;
        const QStringList data{u"--data"_s, env.path(u"s"_s)};
        const QString key = createAdmin(data);
        QProcess server;
        QProcessEnvironment holding = QProcessEnvironment::systemEnvironment();
        holding.insert(u"ZEVRA_TEST_HOLD_SYNC_MS"_s, u"6000"_s);
        server.setProcessEnvironment(holding);
        const quint16 port = serve(server, data);
        QVERIFY(port != 0);
        QNetworkReply* held = post(
            port, key,
            SyncBody::request({SyncBody::entry(u"h"_s, u"Held"_s, u"2026-01-05T09:00:00Z"_s)}));
        QTest::qWait(4500);
        const QJsonObject meanwhile = answer(post(port, key, SyncBody::request({})));
        QVERIFY(!held->isFinished());
        QVERIFY(!answer(held).isEmpty());
        const QDateTime since =
            QDateTime::fromString(meanwhile["server_time"_L1].toString(), Qt::ISODate).addSecs(-3);
        QVERIFY(since.isValid());
        const QJsonObject next =
            answer(post(port, key, SyncBody::request({}, since.toString(Qt::ISODate))));
        QCOMPARE(next["entries"_L1].toArray().size(), 1);
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }

    void migratedRecordsServedByTwoProcesses() {
        TestEnv env;
        const QStringList data{u"--data"_s, env.path(u"server"_s)};
        QString ada, bob, error, shot;
        ServerEntry kept, gone;
        {
            DataFolder folder;
            QVERIFY2(folder.open(data[1], std::nullopt, &error), qPrintable(error));
            Storage& s = folder.storage();
            const auto admin = PeopleAction(s).create(u"Ada"_s, true, &error);
            ada = admin->apiKey;
            bob = PeopleAction(s).create(u"Bob"_s, false, &error)->apiKey;
            // A null description is stored as an empty one.
            gone = {0, admin->user.id, u"gone"_s, {}, {}, 3000, {}, 3000, {}};
            const qint64 acme = s.createClient(u"Acme"_s, u"#112233"_s, 1, 9).id;
            kept = {0, admin->user.id, u"kept"_s, acme, u"Kept"_s, 1000, 2000, 2000, {}};
            kept.id = s.insertEntry(kept);
            shot = *folder.pictures().store(SyncBody::png(Qt::red), u"png"_s, 1767600000, &error);
            s.setScreenshots(kept.id, {shot});
            QFile zip(env.path() + u"/r.zip"_s);
            QVERIFY(zip.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                    zip.write("PK\x03\x04z"));
            QVERIFY(folder.releases().publish(u"1.0"_s, zip.fileName(), {}, &error));
            gone.id = s.insertEntry(gone);
            s.deleteEntry(gone, 3000);
        }
        TestDatabase db;
        for (const int status : {0, 1}) { // only into an empty database
            QProcess migrate;
            start(migrate, data + QStringList{u"migrate-to"_s, db.url()->display(true)});
            QVERIFY(migrate.waitForFinished(60000));
            QCOMPARE(migrate.exitCode(), status);
        }
        QProcess servers[2];
        quint16 ports[2];
        for (int i = 0; i < 2; ++i) // the second without the old data folder
            QVERIFY((ports[i] = serve(servers[i],
                                      (i ? QStringList{u"--data"_s, env.path(u"new"_s)} : data) +
                                          db.arguments())) != 0);

        // Everything came over, keys included.
        const QJsonObject first = answer(post(ports[1], ada, SyncBody::request({})));
        QCOMPARE(first["entries"_L1].toArray().size(), 1);
        QCOMPARE(first["entries"_L1][0]["id"_L1].toInteger(), kept.id);
        QCOMPARE(first["entries"_L1][0]["screenshots"_L1][0].toString(), shot);
        QCOMPARE(fetch(ports[1], u"uploads/"_s + shot)->readAll(), SyncBody::png(Qt::red));
        QCOMPARE(fetch(ports[1], u"releases/1.0/zevra-tikit-1.0.zip"_s)->readAll(),
                 "PK\x03\x04z"_ba);
        QCOMPARE(first["clients"_L1][0]["name"_L1].toString(), u"Acme"_s);
        QCOMPARE(first["deleted_entries"_L1], QJsonValue(QJsonArray{gone.id}));

        // Four devices send at once, each to one server and again to the
        // other (a retry after a lost reply), all with the same new client.
        QList<QNetworkReply*> replies;
        for (int device = 0; device < 4; ++device) {
            QJsonArray pending;
            for (int i = 0; i < 10; ++i)
                pending.append(SyncBody::entry(u"d%1-%2"_s.arg(device).arg(i), u"Work"_s,
                                               u"2026-01-05T0%1:00:00Z"_s.arg(i)));
            QJsonObject body = SyncBody::request(pending);
            body.insert("new_clients"_L1, QJsonArray{QJsonObject{{"name"_L1, u"Zeta"_s}}});
            for (int copy = 0; copy < 2; ++copy)
                replies.append(post(ports[(device + copy) % 2], device < 2 ? ada : bob, body));
        }
        for (qsizetype i = 0; i < replies.size(); i += 2) {
            const QJsonArray results = answer(replies[i])["results"_L1].toArray();
            QCOMPARE(results.size(), 10);
            QCOMPARE(answer(replies[i + 1])["results"_L1].toArray(), results);
        }

        // Each entry once, under an id never handed out before; one Zeta.
        for (const auto& [key, count] : {std::pair{ada, 21}, std::pair{bob, 20}}) {
            const QJsonObject all = answer(post(ports[0], key, SyncBody::request({})));
            QSet<qint64> ids;
            for (const QJsonValue& e : all["entries"_L1].toArray())
                ids.insert(e["id"_L1].toInteger());
            QCOMPARE(ids.size(), count);
            for (qint64 id : ids)
                QVERIFY(id == kept.id || id > gone.id);
            QCOMPARE(all["clients"_L1].toArray().size(), 2);
        }

        // On from PostgreSQL, the files kept there go along, and never into SQLite.
        TestDatabase next;
        const QStringList from = QStringList{u"--data"_s, env.path(u"new"_s)} + db.arguments();
        QProcess migrate, refused, third;
        start(refused, from + QStringList{u"migrate-to"_s, u"sqlite:"_s + env.path(u"x.db"_s)});
        start(migrate, from + QStringList{u"migrate-to"_s, next.url()->display(true)});
        QVERIFY(refused.waitForFinished(60000) && migrate.waitForFinished(60000));
        QCOMPARE(refused.exitCode(), 1);
        QCOMPARE(migrate.exitCode(), 0);
        const quint16 port =
            serve(third, QStringList{u"--data"_s, env.path(u"third"_s)} + next.arguments());
        QCOMPARE(fetch(port, u"uploads/"_s + shot)->readAll(), SyncBody::png(Qt::red));
        QCOMPARE(fetch(port, u"releases/1.0/zevra-tikit-1.0.zip"_s)->readAll(), "PK\x03\x04z"_ba);
    }

    // Behind HAProxy, configured as the README shows: six devices of three people sync
    // round after round while one server is stopped with SIGTERM and started again on its
    // port. No request fails, as the proxy sends again what a leaving server does not
    // take, and every entry is stored once.
    void behindHaproxy() {
        QString haproxy = QStandardPaths::findExecutable(u"haproxy"_s);
        if (haproxy.isEmpty())
            haproxy = QStandardPaths::findExecutable(u"haproxy"_s, {u"/usr/sbin"_s});
        QVERIFY2(!haproxy.isEmpty(), "no haproxy (scripts/install-deps.sh installs it)");
        TestEnv env;
        TestDatabase db;
        const QString keys[] = {createAdmin(db.arguments(), u"Ada"_s),
                                createAdmin(db.arguments(), u"Bob"_s),
                                createAdmin(db.arguments(), u"Cy"_s)};
        const auto folder = [&](int i) {
            return db.arguments() + QStringList{u"--data"_s, env.path(u"s%1"_s.arg(i))};
        };
        QProcess servers[2], proxy;
        const quint16 ports[] = {serve(servers[0], folder(0)), serve(servers[1], folder(1))};
        QVERIFY(ports[0] != 0 && ports[1] != 0);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 front = probe.serverPort();
        probe.close();
        QFile config(env.path() + u"/haproxy.cfg"_s);
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(
            u"defaults\n  mode http\n  timeout connect 2s\n  timeout client 60s\n"
            "  timeout server 60s\n  timeout check 5s\n  option http-buffer-request\n  retries 3\n"
            "  option redispatch 1\n  retry-on all-retryable-errors\n"
            "frontend zevra\n  bind 127.0.0.1:%1\n  default_backend servers\n"
            "backend servers\n  balance roundrobin\n  option httpchk GET /health\n"
            "  http-check expect status 200\n"
            "  default-server check inter 200ms fall 1 rise 1\n"
            "  server a 127.0.0.1:%2\n  server b 127.0.0.1:%3\n"_s.arg(front)
                .arg(ports[0])
                .arg(ports[1])
                .toUtf8());
        config.close();
        proxy.start(haproxy, {u"-f"_s, config.fileName(), u"-db"_s});
        QTcpSocket ready;
        QTRY_VERIFY2((ready.abort(), ready.connectToHost(QHostAddress::LocalHost, front),
                      ready.waitForConnected(100)),
                     proxy.readAllStandardError().constData());
        QTRY_COMPARE(status(fetch(front, u"health"_s)), 200); // checked by the proxy

        QHash<QString, QSet<QString>> sent; // refs, also the descriptions, by key
        for (int round = 0; round < 12; ++round) {
            QList<QNetworkReply*> replies;
            for (int device = 0; device < 6; ++device) {
                QJsonArray pending;
                for (int i = 0; i < 5; ++i) {
                    const QString ref = u"r%1-d%2-%3"_s.arg(round).arg(device).arg(i);
                    sent[keys[device % 3]].insert(ref);
                    pending.append(SyncBody::entry(ref, ref, u"2026-01-05T09:00:00Z"_s));
                }
                replies.append(post(front, keys[device % 3], SyncBody::request(pending)));
            }
            if (round == 4)
                ::kill(pid_t(servers[1].processId()), SIGTERM);
            for (QNetworkReply* reply : replies) {
                QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 60000);
                const QByteArray body = reply->readAll();
                QVERIFY2(status(reply) == 200, body.constData());
                QCOMPARE(QJsonDocument::fromJson(body)["results"_L1].toArray().size(), 5);
            }
            if (round == 6) { // back on its port once it has finished
                QTRY_COMPARE_WITH_TIMEOUT(servers[1].state(), QProcess::NotRunning, 30000);
                QCOMPARE(servers[1].exitStatus(), QProcess::NormalExit);
                QCOMPARE(servers[1].exitCode(), 0);
                QCOMPARE(serve(servers[1], folder(1), ports[1]), ports[1]);
                QTest::qWait(500);
            }
        }
        for (const QString& key : keys) {
            QStringList refs;
            for (const QJsonValue& e :
                 answer(post(front, key, SyncBody::request({})))["entries"_L1].toArray())
                refs.append(e["description"_L1].toString());
            QCOMPARE(refs.size(), sent[key].size());
            QCOMPARE(QSet<QString>(refs.begin(), refs.end()), sent[key]);
        }
    }
};

QTEST_MAIN(ServerProcessesTest)
#include "ServerProcessesTest.moc"

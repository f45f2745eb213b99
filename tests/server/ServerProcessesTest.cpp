#include "DataFolder.h"
#include "PeopleAction.h"
#include "ServerHarness.h"
#include "Storage.h"

#include <QJsonDocument>
#include <QNetworkReply>
#include <QProcess>
#include <QTest>

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

    QNetworkReply* post(quint16 port, const QString& key, const QJsonObject& body) {
        QNetworkRequest request(QUrl(u"http://127.0.0.1:%1/api.php?action=sync"_s.arg(port)));
        request.setRawHeader("X-Api-Key", key.toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
        return m_network.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
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

private Q_SLOTS:
    void migratedRecordsServedByTwoProcesses() {
        TestEnv env;
        const QStringList data{u"--data"_s, env.path(u"server"_s)};
        QString ada, bob, error;
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
            s.setScreenshots(kept.id, {u"2026/01/0123456789abcdef.png"_s});
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
        for (int i = 0; i < 2; ++i) {
            start(servers[i], data + db.arguments() + QStringList{u"--listen"_s, u"127.0.0.1:0"_s});
            QVERIFY(servers[i].waitForReadyRead(30000));
            // "zevra-server listening on http://127.0.0.1:PORT, data in ..."
            const QString line = QString::fromUtf8(servers[i].readAllStandardOutput());
            ports[i] = quint16(line.section(u':', 2).section(u',', 0, 0).toUInt());
        }

        // Everything came over, keys included.
        const QJsonObject first = answer(post(ports[1], ada, SyncBody::request({})));
        QCOMPARE(first["entries"_L1].toArray().size(), 1);
        QCOMPARE(first["entries"_L1][0]["id"_L1].toInteger(), kept.id);
        QCOMPARE(first["entries"_L1][0]["screenshots"_L1][0].toString(),
                 u"2026/01/0123456789abcdef.png"_s);
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
    }
};

QTEST_MAIN(ServerProcessesTest)
#include "ServerProcessesTest.moc"

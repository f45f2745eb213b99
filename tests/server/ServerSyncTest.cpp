#include "ServerHarness.h"
#include "Storage.h"
#include "StoredFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// "action=sync" over real HTTP: results, refs of their person, deletions, the
// since cursor and the pictures of entries.
class ServerSyncTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServerFixture> f;
    ServerHarness& h() { return f->h; }

    QJsonObject sync(const QString& key, const QJsonArray& pending,
                     const std::optional<QString>& since = std::nullopt) {
        return h().sync(key, SyncBody::request(pending, since)).json;
    }
    static qint64 id(const QJsonObject& reply, int i) {
        return reply["results"_L1][i]["server_id"_L1].toInteger();
    }
    static QList<qint64> ids(const QJsonObject& reply, const char* list) {
        QList<qint64> out;
        for (const QJsonValue& v : reply[QLatin1StringView(list)].toArray())
            out.append(v.isObject() ? v["id"_L1].toInteger() : v.toInteger());
        return out;
    }
    static QJsonObject entry(const QString& ref, const char* key = nullptr, QJsonValue value = {}) {
        QJsonObject e = SyncBody::entry(ref, u"Work "_s + ref, u"2026-01-05T08:00:00Z"_s);
        if (key)
            e.insert(QLatin1StringView(key), value);
        return e;
    }
    // One entry of Ada's (or `key`'s) with pictures; the stored paths.
    QStringList pictures(const QString& ref, const QJsonArray& list, const QString& key = {}) {
        m_lastResult =
            sync(key.isEmpty() ? f->ada : key, {entry(ref, "screenshots", list)})["results"_L1][0]
                .toObject();
        return m_lastResult["screenshots"_L1].toVariant().toStringList();
    }
    QJsonObject m_lastResult;

private Q_SLOTS:
    void init() { f = std::make_unique<ServerFixture>(); }
    void cleanup() { f.reset(); }

    void resultsInPlace() {
        const QJsonObject reply = sync(
            f->bob, {SyncBody::entry(u"r1"_s, u"  Review "_s, u"2026-01-05T08:00:00Z"_s,
                                     u"2026-01-05T08:45:30.500Z"_s),
                     SyncBody::entry(u"r2"_s, u"Running"_s, u"2026-01-05T09:00:00+01:00"_s),
                     QJsonValue(5), SyncBody::entry({}, u"No ref"_s, u"2026-01-05T08:00:00Z"_s),
                     SyncBody::entry(u"bad"_s, u"x"_s, u"yesterday"_s)});
        QCOMPARE(reply["server_time"_L1].toString(), u"2026-01-05T09:30:00Z"_s);
        QCOMPARE(reply["results"_L1].toArray().size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(reply["results"_L1][i]["error"_L1].isString(), i >= 2);
        // Without since, all of the caller's entries come back, normalised.
        const QJsonValue first = reply["entries"_L1][0];
        QCOMPARE(first["description"_L1].toString(), u"Review"_s);
        QCOMPARE(first["ended_at"_L1].toString(), u"2026-01-05T08:45:30Z"_s);
        QCOMPARE(first["duration"_L1].toInteger(), 2730);
        QVERIFY(reply["entries"_L1][1]["ended_at"_L1].isUndefined());
    }

    void refsMapToTheirEntriesOfTheirPerson() {
        const qint64 first = id(sync(f->bob, {entry(u"u1"_s)}), 0);
        // The reply was lost: the very same request again maps to the entry;
        // another device edits it by its server id under its own ref.
        QCOMPARE(id(sync(f->bob, {entry(u"u1"_s)}), 0), first);
        QCOMPARE(ids(sync(f->bob, {entry(u"srv1"_s, "server_id", first)}), "entries"),
                 QList<qint64>{first});
        // Refs belong to their person: Ada's "u1" is another entry.
        const qint64 adas = id(sync(f->ada, {entry(u"u1"_s)}), 0);
        QVERIFY(adas != first);
        // Nor can Bob edit or delete hers by its id.
        const QJsonObject bob =
            sync(f->bob, {entry(u"b1"_s, "server_id", adas), SyncBody::deletion(u"b2"_s, adas)});
        QVERIFY(bob["results"_L1][0]["error"_L1].isString());
        QVERIFY(bob["results"_L1][1]["error"_L1].isString());
        QCOMPARE(ids(bob, "entries"), QList<qint64>{first});
        QCOMPARE(h().storage().entry(adas)->description, u"Work u1"_s);
        // One request naming a new entry twice, and deleting another one it brings.
        const QJsonObject mixed =
            sync(f->bob, {entry(u"n1"_s), entry(u"n1"_s, "description", u"Again"_s), entry(u"n2"_s),
                          SyncBody::deletion(u"n2"_s), entry(u"n3"_s)});
        QCOMPARE(id(mixed, 1), id(mixed, 0));
        QCOMPARE(id(mixed, 3), id(mixed, 2));
        QCOMPARE(ids(mixed, "entries"), (QList<qint64>{first, id(mixed, 0), id(mixed, 4)}));
        QCOMPARE(mixed["entries"_L1][1]["description"_L1].toString(), u"Again"_s);
    }

    // Task suggestions: one per description and client, most used first, then the latest.
    void tasksRanked() {
        QJsonArray pending;
        for (int i = 1; i <= 3; ++i) {
            QJsonObject e = entry(u"a%1"_s.arg(i), "client_ref", u"c"_s);
            e.insert("client_name"_L1, u"Acme"_s);
            e.insert("description"_L1, u"Review"_s);
            e.insert("started_at"_L1, u"2026-01-0%1T08:00:00Z"_s.arg(i));
            pending.append(e);
        }
        for (const auto& [ref, description] : {std::pair{"b", "Review"}, {"c", "Call"}, {"d", ""}})
            pending.append(SyncBody::entry(QString::fromLatin1(ref),
                                           QString::fromLatin1(description),
                                           u"2026-01-0%1T08:00:00Z"_s.arg(ref[0] - 'a' + 3)));
        const QJsonArray tasks = sync(f->bob, pending)["tasks"_L1].toArray();
        QCOMPARE(tasks.size(), 3);
        QCOMPARE(tasks[0]["uses"_L1].toInteger(), 3);
        QCOMPARE(tasks[0]["client_name"_L1].toString(), u"Acme"_s);
        QCOMPARE(tasks[0]["last_used"_L1].toString(), u"2026-01-03T08:00:00Z"_s);
        QCOMPARE(tasks[1]["description"_L1].toString(), u"Call"_s); // used on the 5th
        QCOMPARE(tasks[2]["description"_L1].toString(), u"Review"_s);
        QVERIFY(tasks[2]["client_id"_L1].isUndefined());
    }

    void deletionsAndTheCursor() {
        const QJsonObject created = sync(f->bob, {entry(u"a"_s), entry(u"b"_s)});
        const qint64 keep = id(created, 0), drop = id(created, 1);
        f->env.clock().advanceSeconds(60);
        const QJsonObject deleted = sync(f->bob, {SyncBody::deletion(u"b"_s, drop)});
        QCOMPARE(ids(deleted, "deleted_entries"), QList<qint64>{drop});
        QCOMPARE(ids(deleted, "entries"), QList<qint64>{keep});
        // Entries and deletions from the cursor's second on: written 09:30, deleted 09:31.
        f->env.clock().advanceSeconds(60);
        auto since = [&](const char* time, const char* list) {
            return ids(sync(f->bob, {}, u"2026-01-05T"_s + QLatin1StringView(time) + u"Z"_s), list);
        };
        QCOMPARE(since("09:30:00", "entries"), QList<qint64>{keep});
        QVERIFY(since("09:30:01", "entries").isEmpty());
        QCOMPARE(since("09:31:00", "deleted_entries"), QList<qint64>{drop});
        QVERIFY(since("09:31:01", "deleted_entries").isEmpty());
        // Nothing comes back to life; an unknown deletion is simply confirmed.
        const QJsonObject again = sync(f->bob, {entry(u"b"_s, "server_id", drop), entry(u"b"_s),
                                                SyncBody::deletion(u"never-sent"_s)});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(again["results"_L1][i]["deleted"_L1], QJsonValue(true));
        QCOMPARE(ids(again, "entries"), QList<qint64>{keep});
    }

    // PATCH action=clients, and what the next sync of another device lists.
    void clientChanges_data() {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QByteArray>("change"); // besides Acme's id
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("after"); // Acme: name, colour, archived
        const QString same = u"Acme #111111 0"_s;
        QTest::newRow("rename") << true << R"("name": " Acme Ltd ")"_ba << 200
                                << u"Acme Ltd #111111 0"_s;
        QTest::newRow("archive") << true << R"("archived": true)"_ba << 200 << u"Acme #111111 1"_s;
        QTest::newRow("member recolours")
            << false << R"("color": "#ABCDEF")"_ba << 200 << u"Acme #abcdef 0"_s;
        QTest::newRow("own name in capitals")
            << true << R"("name": "ACME")"_ba << 200 << u"ACME #111111 0"_s;
        QTest::newRow("name of another") << true << R"("name": "globex")"_ba << 409 << same;
        QTest::newRow("member renames") << false << R"("name": "Mine")"_ba << 403 << same;
        QTest::newRow("member restores and recolours")
            << false << R"("archived": false, "color": "#ABCDEF")"_ba << 403 << same;
        QTest::newRow("empty name") << true << R"("name": " ")"_ba << 400 << same;
        QTest::newRow("nothing") << true << R"("ok": true)"_ba << 400 << same;
        QTest::newRow("no such client") << true << QByteArray() << 404 << same;
    }
    void clientChanges() {
        QFETCH(bool, admin);
        QFETCH(QByteArray, change);
        QFETCH(int, status);
        QFETCH(QString, after);
        const qint64 acme = h().storage().createClient(u"Acme"_s, u"#111111"_s, 1, 0).id;
        h().storage().createClient(u"Globex"_s, u"#222222"_s, 1, 0);
        const QByteArray body = change.isEmpty()
                                    ? R"({"id": 99, "name": "X"})"_ba
                                    : "{\"id\": " + QByteArray::number(acme) + ", " + change + "}";
        const HttpResult r =
            h().request("PATCH", u"/api.php?action=clients"_s, admin ? f->ada : f->bob, body);
        QCOMPARE(r.status, status);
        QCOMPARE(r.error().isEmpty(), status == 200);
        const QJsonObject listed = sync(f->bob, {})["clients"_L1][0].toObject();
        QCOMPARE(u"%1 %2 %3"_s.arg(listed["name"_L1].toString(), listed["color"_L1].toString())
                     .arg(int(listed["archived"_L1].toBool())),
                 after);
        if (status == 200)
            QCOMPARE(r.json["client"_L1].toObject(), listed);
    }

    void picturesStoredServedKeptAndRemoved() {
        const QByteArray red = SyncBody::png(Qt::red);
        const QStringList stored =
            pictures(u"e1"_s, {SyncBody::upload(red), SyncBody::upload(SyncBody::png(Qt::blue))});
        QCOMPARE(stored.size(), 2);
        // Under the server's month with a random name; served without a key.
        QVERIFY2(
            QRegularExpression(u"\\A2026/01/[0-9a-f]{32}\\.png\\z"_s).match(stored[0]).hasMatch(),
            qPrintable(stored[0]));
        const HttpResult served = h().get(u"/uploads/"_s + stored[0]);
        QCOMPARE(served.body, red);
        QCOMPARE(served.contentType, "image/png"_ba);
        QCOMPARE(h().request("POST", u"/uploads/"_s + stored[0], {}, "x"_ba).status, 405);
        // Nothing else of the data folder, however the path is spelt.
        QFile other(f->uploads() + u"notes.txt"_s);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("secret") == 6);
        other.close();
        const QString name = stored[0].section(u'/', 2);
        for (const QString& path :
             {u"/uploads/../zevra.sqlite"_s, u"/uploads/%2e%2e/zevra.sqlite"_s,
              u"/uploads/..%2fzevra.sqlite"_s, u"/uploads/notes.txt"_s,
              u"/uploads/2026/01/"_s + name.toUpper(),
              u"/uploads/2026/01/"_s + name + u"/../../../zevra.sqlite"_s, u"/zevra.sqlite"_s}) {
            const QByteArray answer = h().rawGet(path);
            QVERIFY2(answer.startsWith("HTTP/1.1 404"), qPrintable(path));
            QVERIFY(!answer.contains("secret") && !answer.contains("SQLite"));
        }
        // The device keeps the second (by its URL), drops the first, adds one.
        const QStringList now =
            pictures(u"e1"_s, {QJsonObject{{"keep"_L1, u"http://host/uploads/"_s + stored[1]}},
                               SyncBody::upload(red)});
        QCOMPARE(now.size(), 2);
        QCOMPARE(now[0], stored[1]);
        QCOMPARE(h().get(u"/uploads/"_s + stored[0]).status, 404);
        // Nobody attaches a picture by naming it: not Bob, not another entry.
        const QJsonArray keep = {QJsonObject{{"keep"_L1, now[0]}}};
        QVERIFY(pictures(u"bob"_s, keep, f->bob).isEmpty());
        QVERIFY(pictures(u"e2"_s, keep).isEmpty());
        // Deleting the entry removes its files.
        sync(f->ada, {SyncBody::deletion(u"e1"_s)});
        for (const QString& gone : now)
            QCOMPARE(h().get(u"/uploads/"_s + gone).status, 404);

        // The body limit is the only size limit of a picture; the type comes from the bytes,
        // and what is no picture is refused by its place in the list, the entry stored anyway.
        const QByteArray large = SyncBody::png(Qt::red) + QByteArray(12 << 20, '\0');
        const QStringList checked = pictures(
            u"e"_s, {SyncBody::upload(large), SyncBody::upload("\xff\xd8\xff\xe0\x00\x10JFIF"_ba),
                     SyncBody::upload("GIF87a\x01\x00"_ba),
                     SyncBody::upload("RIFF\x04\x00\x00\x00WEBPVP8 "_ba),
                     SyncBody::upload("RIFF\x04\x00\x00\x00WAVE"_ba),
                     SyncBody::upload("<svg xmlns='http://www.w3.org/2000/svg'/>"_ba)});
        QVERIFY(m_lastResult["server_id"_L1].toInteger() > 0);
        QVERIFY(m_lastResult["error"_L1].isString());
        QCOMPARE(m_lastResult["refused"_L1], QJsonValue(QJsonArray{4, 5}));
        const QList<QByteArray> types{"image/png", "image/jpeg", "image/gif", "image/webp"};
        QCOMPARE(checked.size(), types.size());
        for (qsizetype i = 0; i < checked.size(); ++i) {
            QVERIFY(checked[i].endsWith(
                u'.' + QString::fromLatin1(types[i].mid(6)).replace(u"jpeg"_s, u"jpg"_s)));
            QCOMPARE(h().get(u"/uploads/"_s + checked[i]).contentType, types[i]);
        }
        // The four, nothing of those removed (on PostgreSQL in the database).
        QCOMPARE(h().database().url() ? StoredFiles(h().storage()).paths().size()
                                      : QDir(f->uploads() + u"2026/01"_s).count() - 2,
                 4);
    }
};

QTEST_MAIN(ServerSyncTest)
#include "ServerSyncTest.moc"

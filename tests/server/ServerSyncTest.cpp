#include "PictureStore.h"
#include "ServerHarness.h"
#include "Storage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// "action=sync" over real HTTP: results, idempotent refs, clients, deletions,
// the since cursor, other people's entries, task ranking and the pictures that
// travel with entries.
class ServerSyncTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServerFixture> f;
    ServerHarness& h() { return f->h; }

    QJsonObject sync(const QString& key, const QJsonArray& pending,
                     const QJsonArray& newClients = {},
                     const std::optional<QString>& since = std::nullopt) {
        const HttpResult r = h().sync(key, SyncBody::request(pending, newClients, since));
        if (r.status != 200)
            qWarning("sync answered %d: %s", r.status, r.body.constData());
        return r.json;
    }

    static QJsonObject result(const QJsonObject& reply, int i) {
        return reply.value("results"_L1).toArray().at(i).toObject();
    }
    static qint64 serverId(const QJsonObject& reply, int i) {
        return result(reply, i).value("server_id"_L1).toInteger();
    }

    static QList<qint64> ids(const QJsonObject& reply, const char* list) {
        QList<qint64> out;
        for (const QJsonValue& v : reply.value(QLatin1StringView(list)).toArray())
            out.append(v.isObject() ? v.toObject().value("id"_L1).toInteger() : v.toInteger());
        return out;
    }

    static QJsonObject with(QJsonObject o, const char* key, const QJsonValue& value) {
        o.insert(QLatin1StringView(key), value);
        return o;
    }

    // Sends one entry with pictures (Ada's unless `key` is given); its result.
    QJsonObject sendPictures(const QString& ref, const QJsonArray& pictures,
                             std::optional<qint64> id = std::nullopt, const QString& key = {}) {
        QJsonObject e =
            SyncBody::entry(ref, u"Pictures"_s, u"2026-01-05T08:00:00Z"_s, std::nullopt, pictures);
        if (id)
            e.insert("server_id"_L1, *id);
        return result(sync(key.isEmpty() ? f->ada : key, {e}), 0);
    }

    static QStringList paths(const QJsonObject& result) {
        return result.value("screenshots"_L1).toVariant().toStringList();
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServerFixture>(); }
    void cleanup() { f.reset(); }

    void replyShapeAndRefusals() {
        const QJsonObject reply = sync(
            f->bob, {SyncBody::entry(u"r1"_s, u"  Review "_s, u"2026-01-05T08:00:00Z"_s,
                                     u"2026-01-05T08:45:30.500Z"_s),
                     SyncBody::entry(u"r2"_s, u"Running"_s, u"2026-01-05T09:00:00+01:00"_s),
                     QJsonValue(5), SyncBody::entry(QString(), u"No ref"_s, u"2026"_s),
                     SyncBody::entry(u"bad-start"_s, u"x"_s, u"yesterday"_s),
                     SyncBody::entry(u"bad-end"_s, u"x"_s, u"2026-01-05T08:00:00Z"_s, u"x"_s)});
        QCOMPARE(reply.value("ok"_L1), QJsonValue(true));
        QCOMPARE(reply.value("server_time"_L1).toString(), u"2026-01-05T09:30:00Z"_s);
        QCOMPARE(reply.value("user"_L1).toObject().value("name"_L1).toString(), u"Bob"_s);
        QCOMPARE(reply.value("user"_L1).toObject().value("is_admin"_L1), QJsonValue(false));
        // One result per object in its place; refused ones carry an error.
        QCOMPARE(reply.value("results"_L1).toArray().size(), 6);
        QCOMPARE(result(reply, 4).value("ref"_L1).toString(), u"bad-start"_s);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(result(reply, i).contains("error"_L1), i >= 2);
            QCOMPARE(result(reply, i).contains("server_id"_L1), i < 2);
        }
        // Without since, all of the caller's entries come back, normalised.
        const QJsonArray entries = reply.value("entries"_L1).toArray();
        QCOMPARE(entries.size(), 2);
        const QJsonObject first = entries.at(0).toObject();
        QCOMPARE(first.value("id"_L1).toInteger(), serverId(reply, 0));
        QCOMPARE(first.value("description"_L1).toString(), u"Review"_s);
        QCOMPARE(first.value("ended_at"_L1).toString(), u"2026-01-05T08:45:30Z"_s);
        QCOMPARE(first.value("duration"_L1).toInteger(), 2730);
        const QJsonObject running = entries.at(1).toObject();
        QCOMPARE(running.value("started_at"_L1).toString(), u"2026-01-05T08:00:00Z"_s);
        QVERIFY(!running.contains("ended_at"_L1) && !running.contains("duration"_L1));
    }

    void sameRefMapsToTheSameEntry() {
        const QJsonArray pending = {
            SyncBody::entry(u"u1"_s, u"Write"_s, u"2026-01-05T08:00:00Z"_s)};
        const qint64 id = serverId(sync(f->bob, pending), 0);
        // The reply was lost: the device sends the very same request again.
        QCOMPARE(serverId(sync(f->bob, pending), 0), id);
        // Another device knows it as "srv<id>" and edits it by its server id.
        const QJsonObject edit =
            with(SyncBody::entry(u"srv%1"_s.arg(id), u"More"_s, u"2026-01-05T08:00:00Z"_s),
                 "server_id", id);
        const QJsonObject edited = sync(f->bob, {edit});
        QCOMPARE(ids(edited, "entries"), QList<qint64>{id});
        QCOMPARE(edited["entries"_L1][0]["description"_L1].toString(), u"More"_s);
        // Refs belong to their person: Ada's "u1" is another entry.
        QVERIFY(serverId(sync(f->ada, pending), 0) != id);
    }

    void clientsByRefIdAndName() {
        const qint64 acme = h().storage().createClient(u"Acme"_s, u"#112233"_s, 1, 0).id;
        const QJsonArray clients = {
            QJsonObject{{"ref"_L1, u"c1"_s}, {"name"_L1, u" Zeta "_s}, {"color"_L1, u"#A1B2C3"_s}},
            QJsonObject{{"ref"_L1, u"c2"_s}, {"name"_L1, u"ACME"_s}, {"color"_L1, u"#000000"_s}}};
        const QJsonObject base = SyncBody::entry(u"e"_s, u"Work"_s, u"2026-01-05T08:00:00Z"_s);
        const QJsonObject reply = sync(
            f->bob,
            {with(with(base, "ref", u"e1"_s), "client_ref", u"c1"_s),
             with(with(with(base, "ref", u"e2"_s), "client_ref", u"c9"_s), "client_name", u"New"_s),
             with(with(base, "ref", u"e3"_s), "client_id", acme),
             with(with(base, "ref", u"e4"_s), "client_id", 4242),
             with(with(base, "ref", u"e5"_s), "client_ref", u"c2"_s)},
            clients);
        QHash<QString, QJsonObject> byName;
        for (const QJsonValue& v : reply.value("clients"_L1).toArray())
            byName.insert(v["name"_L1].toString(), v.toObject());
        QCOMPARE(byName.size(), 3);
        QCOMPARE(byName[u"Zeta"_s]["color"_L1].toString(), u"#a1b2c3"_s);
        // An existing name is reused whatever its case, keeping its colour.
        QCOMPARE(byName[u"Acme"_s]["id"_L1].toInteger(), acme);
        QCOMPARE(byName[u"Acme"_s]["color"_L1].toString(), u"#112233"_s);
        QCOMPARE(byName[u"New"_s]["color"_L1].toString(), ServerClient::defaultColor());
        QHash<qint64, QJsonValue> clientOf;
        for (const QJsonValue& v : reply.value("entries"_L1).toArray())
            clientOf.insert(v["id"_L1].toInteger(), v["client_id"_L1]);
        const QList<QJsonValue> expected = {byName[u"Zeta"_s]["id"_L1], byName[u"New"_s]["id"_L1],
                                            acme, QJsonValue::Undefined, acme};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(clientOf[serverId(reply, i)], expected[i]);
    }

    void deletionsReachTheOtherDevices() {
        const QJsonObject created =
            sync(f->bob, {SyncBody::entry(u"a"_s, u"Keep"_s, u"2026-01-05T07:00:00Z"_s),
                          SyncBody::entry(u"b"_s, u"Drop"_s, u"2026-01-05T08:00:00Z"_s)});
        const qint64 keep = serverId(created, 0), drop = serverId(created, 1);
        const QString cursor = created.value("server_time"_L1).toString();
        f->env.clock().advanceSeconds(60);
        const QJsonObject deleted = sync(f->bob, {SyncBody::deletion(u"b"_s, drop)});
        QCOMPARE(result(deleted, 0).value("deleted"_L1), QJsonValue(true));
        QCOMPARE(ids(deleted, "deleted_entries"), QList<qint64>{drop});
        QCOMPARE(ids(deleted, "entries"), QList<qint64>{keep});
        // A device synced before the deletion learns of it, also at the very
        // second; one synced after it does not hear of it again.
        f->env.clock().advanceSeconds(60);
        QCOMPARE(ids(sync(f->bob, {}, {}, cursor), "deleted_entries"), QList<qint64>{drop});
        QCOMPARE(ids(sync(f->bob, {}, {}, u"2026-01-05T09:31:00Z"_s), "deleted_entries"),
                 QList<qint64>{drop});
        QVERIFY(ids(sync(f->bob, {}, {}, u"2026-01-05T09:31:01Z"_s), "deleted_entries").isEmpty());
        // Editing the deleted entry or sending its ref again brings nothing
        // back; an unknown deletion is simply confirmed.
        const QJsonObject again = sync(
            f->bob,
            {with(SyncBody::entry(u"b"_s, u"Edit"_s, u"2026-01-05T08:00:00Z"_s), "server_id", drop),
             SyncBody::entry(u"b"_s, u"Same ref"_s, u"2026-01-05T08:00:00Z"_s),
             SyncBody::deletion(u"never-sent"_s)});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(result(again, i).value("deleted"_L1), QJsonValue(true));
        QCOMPARE(ids(again, "entries"), QList<qint64>{keep});
        // New entries never reuse a deleted entry's id.
        QVERIFY(
            serverId(sync(f->bob, {SyncBody::entry(u"d"_s, u"New"_s, u"2026-01-05T08:00:00Z"_s)}),
                     0) > drop);
    }

    void sinceNarrowsEntries() {
        sync(f->bob, {SyncBody::entry(u"a"_s, u"Early"_s, u"2026-01-05T07:00:00Z"_s)});
        f->env.clock().advanceSeconds(600);
        sync(f->bob, {SyncBody::entry(u"b"_s, u"Later"_s, u"2026-01-05T08:00:00Z"_s)});
        f->env.clock().advanceSeconds(600);
        auto count = [&](const QString& since) {
            return sync(f->bob, {}, {}, since).value("entries"_L1).toArray().size();
        };
        // The second was written at 09:40:00: the cursor includes its second.
        QCOMPARE(count(u"2026-01-05T09:39:57Z"_s), 1);
        QCOMPARE(count(u"2026-01-05T09:40:00Z"_s), 1);
        QCOMPARE(count(u"2026-01-05T09:40:01Z"_s), 0);
        // A cursor that is no instant asks for everything.
        QCOMPARE(count(u"garbage"_s), 2);
    }

    void othersEntriesAreOutOfReach() {
        const qint64 adas = serverId(
            sync(f->ada, {SyncBody::entry(u"a1"_s, u"Ada's"_s, u"2026-01-05T07:00:00Z"_s)}), 0);
        const QJsonObject bob =
            sync(f->bob, {with(SyncBody::entry(u"b1"_s, u"Mine"_s, u"2026-01-05T07:00:00Z"_s),
                               "server_id", adas),
                          SyncBody::deletion(u"b2"_s, adas)});
        QVERIFY(!result(bob, 0).value("error"_L1).toString().isEmpty());
        QVERIFY(!result(bob, 1).value("error"_L1).toString().isEmpty());
        QVERIFY(!result(bob, 1).contains("deleted"_L1));
        QVERIFY(bob.value("entries"_L1).toArray().isEmpty());
        QVERIFY(bob.value("tasks"_L1).toArray().isEmpty());
        QCOMPARE(h().storage().entry(adas)->description, u"Ada's"_s);
    }

    void tasksRankedByUseThenRecency() {
        const qint64 acme = h().storage().createClient(u"Acme"_s, u"#112233"_s, 1, 0).id;
        QJsonArray pending;
        auto add = [&](const QString& text, const QString& start, std::optional<qint64> client) {
            QJsonObject e = SyncBody::entry(u"t%1"_s.arg(pending.size()), text, start);
            pending.append(client ? with(e, "client_id", *client) : e);
        };
        for (int i = 1; i <= 3; ++i)
            add(u"Old habit"_s, u"2025-12-0%1T09:00:00Z"_s.arg(i), std::nullopt);
        add(u"Fresh"_s, u"2026-01-05T08:00:00Z"_s, std::nullopt);
        for (int i = 2; i <= 4; ++i)
            add(u"Client work"_s, u"2026-01-0%1T09:00:00Z"_s.arg(i), acme);
        add(u"Client work"_s, u"2026-01-04T10:00:00Z"_s, std::nullopt);
        add(QString(), u"2026-01-05T07:00:00Z"_s, std::nullopt);
        const QJsonArray tasks = sync(f->bob, pending).value("tasks"_L1).toArray();
        QStringList order;
        for (const QJsonValue& v : tasks)
            order.append(v["description"_L1].toString() + u'/' +
                         QString::number(v["uses"_L1].toInteger()));
        QCOMPARE(order, (QStringList{u"Client work/3"_s, u"Old habit/3"_s, u"Fresh/1"_s,
                                     u"Client work/1"_s}));
        QCOMPARE(tasks[0]["last_used"_L1].toString(), u"2026-01-04T09:00:00Z"_s);
        QCOMPARE(tasks[0]["client_name"_L1].toString(), u"Acme"_s);
        QVERIFY(!tasks[3].toObject().contains("client_id"_L1));
    }

    void picturesStoredServedKeptAndRemoved() {
        const QByteArray red = SyncBody::png(Qt::red);
        const QJsonObject first = sendPictures(
            u"e1"_s, {SyncBody::upload(red), SyncBody::upload(SyncBody::png(Qt::blue))});
        const qint64 id = first.value("server_id"_L1).toInteger();
        const QStringList stored = paths(first);
        QCOMPARE(stored.size(), 2);
        // Under the server's month with a random name; served without a key.
        QVERIFY2(
            QRegularExpression(u"\\A2026/01/[0-9a-f]{32}\\.png\\z"_s).match(stored[0]).hasMatch(),
            qPrintable(stored[0]));
        const HttpResult served = h().get(u"/uploads/"_s + stored[0]);
        QCOMPARE(served.body, red);
        QCOMPARE(served.header("Content-Type"), "image/png"_ba);

        // The device keeps the second (by its URL), drops the first, adds one.
        const QStringList now =
            paths(sendPictures(u"e1"_s,
                               {QJsonObject{{"keep"_L1, u"http://host/uploads/"_s + stored[1]}},
                                SyncBody::upload(SyncBody::png(Qt::green))},
                               id));
        QCOMPARE(now.size(), 2);
        QCOMPARE(now[0], stored[1]);
        QVERIFY(!QFile::exists(f->uploads() + stored[0]));
        QCOMPARE(h().get(u"/uploads/"_s + stored[0]).status, 404);
        QCOMPARE(h().storage().screenshots(id), now);

        // Nobody attaches a picture by naming it: not Bob, not another entry.
        const QJsonArray keep = {QJsonObject{{"keep"_L1, now[0]}}};
        QVERIFY(paths(sendPictures(u"bob"_s, keep, std::nullopt, f->bob)).isEmpty());
        QVERIFY(paths(sendPictures(u"e2"_s, keep)).isEmpty());
        // Deleting the entry removes its files.
        sync(f->ada, {SyncBody::deletion(u"e1"_s, id)});
        QVERIFY(!QFile::exists(f->uploads() + now[0]));
        QVERIFY(!QFile::exists(f->uploads() + now[1]));
    }

    void pictureValidation_data() {
        QTest::addColumn<QJsonObject>("picture");
        QTest::addColumn<QString>("ext");
        QTest::newRow("jpeg named png")
            << SyncBody::upload("\xff\xd8\xff\xe0\x00\x10JFIF"_ba) << u"jpg"_s;
        QTest::newRow("gif") << SyncBody::upload("GIF89a\x01\x00\x01\x00"_ba) << u"gif"_s;
        QTest::newRow("webp") << SyncBody::upload("RIFF\x10\x00\x00\x00WEBPVP8 "_ba) << u"webp"_s;
        QTest::newRow("wave") << SyncBody::upload("RIFF\x10\x00\x00\x00WAVEfmt "_ba) << QString();
        QTest::newRow("svg") << SyncBody::upload("<svg xmlns='http://www.w3.org/2000/svg'/>"_ba)
                             << QString();
        QTest::newRow("not base64")
            << QJsonObject{{"base64"_L1, u"###"_s}, {"ext"_L1, u"png"_s}} << QString();
    }

    void pictureValidation() {
        QFETCH(QJsonObject, picture);
        QFETCH(QString, ext);
        const QJsonObject result = sendPictures(u"e"_s, {picture});
        // The entry itself is stored either way.
        QVERIFY(result.value("server_id"_L1).toInteger() > 0);
        QCOMPARE(result.contains("error"_L1), ext.isEmpty());
        const QStringList stored = paths(result);
        QCOMPARE(stored.size(), ext.isEmpty() ? 0 : 1);
        if (ext.isEmpty())
            QVERIFY(QDir(f->uploads() + u"2026/01"_s).isEmpty());
        else
            QVERIFY(stored[0].endsWith(u'.' + ext));
    }

    void servesNothingButStoredPictures_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("parent") << u"/uploads/../zevra.sqlite"_s;
        QTest::newRow("encoded parent") << u"/uploads/%2e%2e/zevra.sqlite"_s;
        QTest::newRow("encoded slash") << u"/uploads/..%2fzevra.sqlite"_s;
        QTest::newRow("absolute") << u"/uploads//etc/passwd"_s;
        QTest::newRow("month listing") << u"/uploads/2026/01/"_s;
        QTest::newRow("other file") << u"/uploads/notes.txt"_s;
        QTest::newRow("upper-case name") << u"/uploads/2026/01/NAME"_s;
        QTest::newRow("behind a picture") << u"/uploads/2026/01/PICTURE/../../../zevra.sqlite"_s;
        QTest::newRow("database") << u"/zevra.sqlite"_s;
    }

    void servesNothingButStoredPictures() {
        QFETCH(QString, path);
        const QString name = paths(sendPictures(u"e"_s, {SyncBody::upload(SyncBody::png(Qt::red))}))
                                 .value(0)
                                 .section(u'/', 2);
        QFile other(f->uploads() + u"notes.txt"_s);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("secret") == 6);
        other.close();
        path.replace(u"NAME"_s, name.toUpper()).replace(u"PICTURE"_s, name);
        const QByteArray answer = h().rawGet(path);
        QVERIFY2(answer.startsWith("HTTP/1.1 404"), answer.left(300).constData());
        QVERIFY(!answer.contains("secret") && !answer.contains("SQLite"));
        QVERIFY(h().rawGet(u"/uploads/2026/01/"_s + name).startsWith("HTTP/1.1 200"));
    }

    void failedSyncLeavesNothingBehind() {
        // A file where the month's folder belongs makes storing fail midway.
        QDir().mkpath(f->uploads() + u"2026"_s);
        QFile blocker(f->uploads() + u"2026/01"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QJsonArray pending = {
            SyncBody::entry(u"first"_s, u"Before"_s, u"2026-01-05T08:00:00Z"_s),
            SyncBody::entry(u"second"_s, u"Picture"_s, u"2026-01-05T08:00:00Z"_s, std::nullopt,
                            {SyncBody::upload(SyncBody::png(Qt::red))})};
        const QJsonArray clients = {
            QJsonObject{{"ref"_L1, u"c"_s}, {"name"_L1, u"Acme"_s}, {"color"_L1, u"#123456"_s}}};
        const HttpResult r = h().sync(f->ada, SyncBody::request(pending, clients));
        QCOMPARE(r.status, 500);
        QVERIFY(!h().storage().entryByRef(h().personId(u"Ada"_s), u"first"_s));
        QVERIFY(h().storage().clients().isEmpty());
        QVERIFY(QFile::remove(blocker.fileName()));
        QCOMPARE(sync(f->ada, pending, clients).value("entries"_L1).toArray().size(), 2);
    }
};

QTEST_MAIN(ServerSyncTest)
#include "ServerSyncTest.moc"

#include "api/SyncMerge.h"
#include "JsonText.h"
#include "api/Api.h"
#include "api/SyncResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Entry entry(const QString& id, std::optional<qint64> serverId = std::nullopt,
            const QString& state = Entry::synced) {
    Entry e;
    e.id = id;
    e.serverId = serverId;
    e.description = u"Local "_s + id;
    e.startedAt = u"2026-01-05T09:00:00Z"_s;
    e.endedAt = u"2026-01-05T10:00:00Z"_s;
    e.updatedAt = u"2026-01-05T10:00:00Z"_s;
    e.syncState = state;
    e.screenshots = QList<Screenshot>();
    return e;
}

Client client(const QString& id, const QString& name, std::optional<qint64> serverId = std::nullopt,
              const QString& state = Entry::synced) {
    Client c;
    c.id = id;
    c.name = name;
    c.serverId = serverId;
    c.color = u"#111111"_s;
    c.syncState = state;
    return c;
}

SyncResponse reply(const QByteArray& json) {
    std::optional<SyncResponse> r = SyncResponse::decode(json);
    if (!r)
        qFatal("test reply does not decode: %s", json.constData());
    return *r;
}

const Entry* find(const Db& db, const QString& id) {
    for (const Entry& e : db.entries) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

QStringList serverPaths(const Entry& e) {
    QStringList out;
    for (const Screenshot& s : e.screenshots.value_or(QList<Screenshot>())) {
        out.append(s.file ? u"file:"_s + *s.file : s.server.value_or(u"?"_s));
    }
    return out;
}

} // namespace

// Merging a sync reply into the database, step by step.
class SyncMergeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clientsMatchByServerIdThenNameThenAppend() {
        Db db;
        db.clients = {client(u"a"_s, u"Acme"_s, 1),
                      client(u"b"_s, u"Blue Sky"_s, std::nullopt, Entry::pending),
                      client(u"b2"_s, u"BLUE SKY"_s, std::nullopt, Entry::pending),
                      client(u"c"_s, u"Cedar"_s, 9), // has a server id: never matched by name
                      client(u"untouched"_s, u"Quiet"_s, std::nullopt, Entry::pending)};
        Api::merge(reply(jsonText("{'ok':true,'clients':["
                                  "{'id':1,'name':'Acme Ltd','color':'#ef4444','archived':true},"
                                  "{'id':2,'name':'blue sky','color':'#22c55e','archived':false},"
                                  "{'id':3,'name':'Cedar','color':'#0ea5e9','archived':false}]}")),
                   db);

        QCOMPARE(db.clients.size(), 6);
        const Client& acme = db.clients[0];
        QCOMPARE(acme.name, u"Acme Ltd"_s);
        QCOMPARE(acme.color, u"#ef4444"_s);
        QVERIFY(acme.archived);

        const Client& blue = db.clients[1];
        QCOMPARE(blue.id, u"b"_s); // keeps its local id
        QCOMPARE(blue.serverId, 2);
        QCOMPARE(blue.name, u"blue sky"_s);
        QCOMPARE(blue.syncState, Entry::synced);
        QCOMPARE(db.clients[2].serverId, std::nullopt); // only the first name match
        QCOMPARE(db.clients[2].syncState, Entry::pending);

        QCOMPARE(db.clients[3].serverId, 9);
        const Client& created = db.clients[5];
        QCOMPARE(created.id, u"srv3"_s);
        QCOMPARE(created.serverId, 3);
        QCOMPARE(created.syncState, Entry::synced);
        QCOMPARE(db.clients[4].syncState, Entry::pending);
    }

    void results() {
        Db db;
        Entry withFiles = entry(u"shots"_s, std::nullopt, Entry::pending);
        withFiles.screenshots = QList<Screenshot>{{std::nullopt, u"local.png"_s}};
        withFiles.screenshotFile = u"legacy.png"_s;
        withFiles.screenshotCleared = true;
        Entry tomb = entry(u"tomb"_s, 5, Entry::pending);
        tomb.deleted = true;
        Entry keepList = entry(u"keep"_s, std::nullopt, Entry::pending);
        keepList.screenshots = QList<Screenshot>{{std::nullopt, u"mine.png"_s}};
        db.entries = {withFiles, tomb, keepList, entry(u"other"_s, std::nullopt, Entry::pending)};

        Api::merge(reply(jsonText("{'ok':true,'results':["
                                  "{'ref':'shots','server_id':11,'screenshots':['https://h/uploads/"
                                  "2024/05/3fa9c1d2e4.png','odd']},"
                                  "{'ref':'tomb','deleted':true},"
                                  "{'ref':'keep','server_id':12,'error':'refused'},"
                                  "{'ref':'nobody','server_id':99}]}")),
                   db);

        QCOMPARE(db.entries.size(), 3); // the acknowledged deletion is purged
        QVERIFY(!find(db, u"tomb"_s));
        const Entry* shots = find(db, u"shots"_s);
        QCOMPARE(shots->serverId, 11);
        QCOMPARE(serverPaths(*shots), (QStringList{u"2024/05/3fa9c1d2e4.png"_s, u"odd"_s}));
        QCOMPARE(shots->screenshotFile, std::nullopt);
        QVERIFY(!shots->screenshotCleared);
        QCOMPARE(shots->syncState, Entry::synced);

        const Entry* keep = find(db, u"keep"_s);
        QCOMPARE(keep->syncState, Entry::synced); // an error does not keep it pending
        QCOMPARE(keep->screenshots->first().file, u"mine.png"_s);
        QCOMPARE(find(db, u"other"_s)->syncState, Entry::pending);
    }

    void serverEntries() {
        Db db;
        db.clients = {client(u"local-c"_s, u"Acme"_s, 70)};
        Entry pendingTwin = entry(u"p"_s, 1, Entry::pending);
        Entry syncedTwin = entry(u"s"_s, 2);
        syncedTwin.clientId = u"local-c"_s;
        Entry keepsClient = entry(u"k"_s, 3);
        keepsClient.clientId = u"local-c"_s;
        db.entries = {pendingTwin, syncedTwin, keepsClient};

        Api::merge(
            reply(jsonText(
                "{'ok':true,"
                "'clients':[{'id':71,'name':'Birch','color':'#22c55e','archived':false}],"
                "'entries':["
                "{'id':1,'description':'server "
                "1','started_at':'2026-01-04T08:00:00Z','updated_at':'2026-01-06T00:00:00Z'},"
                "{'id':2,'description':'server "
                "2','started_at':'2026-01-04T08:00:00Z','client_id':71,"
                "'updated_at':'2026-01-06T00:00:00Z','screenshot':'/uploads/2024/05/ABCDEF12.PNG'},"
                "{'id':3,'description':'server "
                "3','started_at':'2026-01-04T08:00:00Z','ended_at':'2026-01-04T09:00:00Z',"
                "'client_id':555,'updated_at':'2026-01-06T00:00:00Z','duration':3600,'user_id':4},"
                "{'id':4,'description':'new','started_at':'2026-01-04T08:00:00Z','client_id':70,"
                "'updated_at':'2026-01-06T00:00:00Z','screenshots':['2026/01/"
                "aaaaaaaa.png'],'screenshot':'ignored'}]}")),
            db);

        QCOMPARE(find(db, u"p"_s)->description, u"Local p"_s); // local changes win
        QCOMPARE(find(db, u"p"_s)->syncState, Entry::pending);

        const Entry* s = find(db, u"s"_s);
        QCOMPARE(s->description, u"server 2"_s);
        QCOMPARE(s->endedAt, std::nullopt); // running on the server
        QCOMPARE(s->updatedAt, u"2026-01-06T00:00:00Z"_s);
        QCOMPARE(s->clientId, u"srv71"_s); // mapped through a client of this same reply
        QCOMPARE(serverPaths(*s), QStringList{u"2024/05/ABCDEF12.PNG"_s});

        const Entry* k = find(db, u"k"_s);
        QCOMPARE(k->clientId, u"local-c"_s); // unknown server client leaves it alone
        QCOMPARE(k->screenshots->size(), 0); // neither picture form: empty list

        const Entry* created = find(db, u"srv4"_s);
        QVERIFY(created);
        QCOMPARE(created->serverId, 4);
        QCOMPARE(created->clientId, u"local-c"_s);
        QCOMPARE(created->syncState, Entry::synced);
        QVERIFY(!created->deleted);
        QCOMPARE(serverPaths(*created), QStringList{u"2026/01/aaaaaaaa.png"_s});
        QCOMPARE(db.entries.size(), 4);
    }

    void resultServerIdsCountForServerEntries() {
        // A result gives the entry its id; the same reply's entry list then
        // finds it instead of adding a twin.
        Db db;
        db.entries = {entry(u"local"_s, std::nullopt, Entry::pending)};
        Api::merge(
            reply(jsonText("{'ok':true,'results':[{'ref':'local','server_id':8}],"
                           "'entries':[{'id':8,'description':'from "
                           "server','started_at':'2026-01-05T09:00:00Z','updated_at':'x'}]}")),
            db);
        QCOMPARE(db.entries.size(), 1);
        QCOMPARE(db.entries[0].description, u"from server"_s);
    }

    void serverDeletions() {
        Db db;
        db.entries = {entry(u"a"_s, 1, Entry::pending), entry(u"b"_s, 2), entry(u"c"_s)};
        Api::merge(reply(jsonText("{'ok':true,'deleted_entries':[1,2,77]}")), db);
        QCOMPARE(db.entries.size(), 1);
        QCOMPARE(db.entries[0].id, u"c"_s);
    }

    void tasksUserAndClock_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("tasks");
        QTest::addColumn<std::optional<QString>>("lastSync");
        QTest::newRow("all present")
            << QByteArray(
                   jsonText("{'ok':true,'tasks':[{'description':'T','uses':3,'client_id':70}],"
                            "'user':{'id':5,'name':'Ana','is_admin':true},'server_time':'2026-01-"
                            "05T10:00:00Z'}"))
            << 1 << std::optional<QString>(u"2026-01-05T10:00:00Z"_s);
        QTest::newRow("empty task list replaces")
            << QByteArray(jsonText("{'ok':true,'tasks':[],'server_time':'2026-01-05T10:00:00Z'}"))
            << 0 << std::optional<QString>(u"2026-01-05T10:00:00Z"_s);
        QTest::newRow("absent tasks kept, absent clock cleared")
            << QByteArray(jsonText("{'ok':true}")) << 2 << std::optional<QString>();
    }

    void tasksUserAndClock() {
        QFETCH(QByteArray, json);
        QFETCH(int, tasks);
        QFETCH(std::optional<QString>, lastSync);
        Db db;
        db.tasks = {TaskSuggestion{u"old 1"_s, 1, {}, {}, {}, {}},
                    TaskSuggestion{u"old 2"_s, 1, {}, {}, {}, {}}};
        db.settings.lastSync = u"2026-01-01T00:00:00Z"_s;
        db.settings.userName = u"before"_s;
        const SyncResponse r = reply(json);
        Api::merge(r, db);
        QCOMPARE(db.tasks.size(), tasks);
        QCOMPARE(db.settings.lastSync, lastSync);
        if (r.user) {
            QCOMPARE(db.settings.userId, 5);
            QCOMPARE(db.settings.userName, u"Ana"_s);
            QVERIFY(db.settings.isAdmin);
        } else {
            QCOMPARE(db.settings.userName, u"before"_s);
        }
    }

    // A record changed while its request was in flight keeps its change.
    void changesMadeInFlightStayPending() {
        Db db;
        Entry sent = entry(u"e"_s, std::nullopt, Entry::pending);
        sent.screenshots = QList<Screenshot>{{std::nullopt, u"a.png"_s}};
        Entry untouched = entry(u"u"_s, std::nullopt, Entry::pending);
        db.entries = {sent, untouched};

        SyncSnapshot snapshot;
        snapshot.entries.insert(sent.id, sent);
        snapshot.entries.insert(untouched.id, untouched);

        // Meanwhile: a renamed entry with a second picture.
        db.entries[0].description = u"renamed"_s;
        db.entries[0].screenshots->append({std::nullopt, u"b.png"_s});

        Api::merge(
            reply(jsonText(
                "{'ok':true,"
                "'results':[{'ref':'e','server_id':21,'screenshots':['2026/01/aaaaaaaa.png']},"
                "{'ref':'u','server_id':22,'screenshots':[]}]}")),
            db, &snapshot);

        const Entry& e = db.entries[0];
        QCOMPARE(e.serverId, 21);
        QCOMPARE(e.syncState, Entry::pending);
        QCOMPARE(e.description, u"renamed"_s);
        QCOMPARE(e.screenshots->size(), 2); // nothing lost before it is uploaded
        QCOMPARE(db.entries[1].syncState, Entry::synced);
    }

    // A client changed here, through a sync, the server's answer to its own
    // call, and the next sync. Known clients have server id 7; new ones were
    // sent in new_clients, changed before the request or while it travelled.
    void clientChangesAcrossTwoMerges_data() {
        QTest::addColumn<QString>("how"); // known, new, or new and changed in flight
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<ClientChange::Kind>("answer");
        QTest::addColumn<QString>("afterFirst"); // name, colour, archived, state
        QTest::addColumn<QString>("afterSecond");
        using K = ClientChange::Kind;
        const QString name = Client::nameField, archived = Client::archivedField;
        QTest::newRow("renamed while pending")
            << u"known"_s << name << u"Acme Ltd"_s << K::Accepted << u"Acme Ltd #111111 0 pending"_s
            << u"Acme Ltd #111111 0 synced"_s;
        QTest::newRow("archived while pending")
            << u"known"_s << archived << u"1"_s << K::Accepted << u"Acme #111111 1 pending"_s
            << u"Acme #111111 1 synced"_s;
        QTest::newRow("a 409 ending a rename")
            << u"known"_s << name << u"Globex"_s << K::Refused << u"Globex #111111 0 pending"_s
            << u"Acme #111111 0 synced"_s;
        QTest::newRow("recoloured while a sync is in flight")
            << u"in flight"_s << Client::colorField << u"#ABCDEF"_s << K::Accepted
            << u"Acme #ABCDEF 0 pending"_s << u"Acme #abcdef 0 synced"_s;
        QTest::newRow("renamed while its creation is in flight")
            << u"in flight"_s << name << u"Acme Ltd"_s << K::Accepted
            << u"Acme Ltd #111111 0 pending"_s << u"Acme Ltd #111111 0 synced"_s;
        QTest::newRow("archived before its creation was sent")
            << u"new"_s << archived << u"1"_s << K::Accepted << u"Acme #111111 1 pending"_s
            << u"Acme #111111 1 synced"_s;
    }
    void clientChangesAcrossTwoMerges() {
        QFETCH(QString, how);
        const bool known = how == "known"_L1;
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(ClientChange::Kind, answer);
        QFETCH(QString, afterFirst);
        QFETCH(QString, afterSecond);
        const auto change = [&](Client c) {
            if (field == Client::archivedField)
                c.archived = value == "1"_L1;
            else
                (field == Client::nameField ? c.name : c.color) = value;
            return c;
        };
        const auto serverSays = [](const Client& c) {
            return reply(
                u"{\"ok\":true,\"clients\":[{\"id\":7,\"name\":\"%1\",\"color\":\"%2\","
                "\"archived\":%3}]}"_s.arg(c.name, c.color.toLower(), c.archived ? "true" : "false")
                    .toUtf8());
        };
        const auto state = [](const Client& c) {
            return u"%1 %2 %3 %4"_s.arg(c.name, c.color).arg(int(c.archived)).arg(c.syncState);
        };
        Client server = client(u"c"_s, u"Acme"_s, known ? std::optional<qint64>(7) : std::nullopt,
                               known ? Entry::synced : Entry::pending);
        Db db;
        db.clients = {change(server)};
        db.clients[0].changed = {field};
        db.clients[0].syncState = Entry::pending;
        SyncSnapshot snapshot;
        if (!known)
            snapshot.clients.insert(u"c"_s, how == "in flight"_L1 ? server : db.clients[0]);

        Api::merge(serverSays(server), db, &snapshot);
        QCOMPARE(state(db.clients[0]), afterFirst);
        const std::optional<ClientChange> sent = ClientChange::of(db.clients[0]);
        QVERIFY(sent);
        QCOMPARE(sent->body().size(), 2); // the id and the changed field only
        QVERIFY(sent->body().value("id"_L1) == 7 && sent->body().contains(field));
        if (answer != ClientChange::Kind::Failed)
            sent->settle(db.clients);
        if (answer == ClientChange::Kind::Accepted)
            server = change(server);
        Api::merge(serverSays(server), db);
        QCOMPARE(state(db.clients[0]), afterSecond);
    }

    void deletionInFlightStillPurged() {
        Db db;
        Entry tomb = entry(u"t"_s, 3, Entry::pending);
        tomb.deleted = true;
        db.entries = {tomb};
        SyncSnapshot snapshot;
        snapshot.entries.insert(tomb.id, tomb);
        db.entries[0].updatedAt = u"2026-01-05T11:00:00Z"_s; // deleted again meanwhile
        Api::merge(reply(jsonText("{'ok':true,'results':[{'ref':'t','deleted':true}]}")), db,
                   &snapshot);
        QVERIFY(db.entries.isEmpty());
    }

    void clientLinksWithoutClientList() {
        Db db;
        db.clients = {client(u"local-c"_s, u"Acme"_s, 70)};
        Api::merge(reply(jsonText("{'ok':true,'entries':[{'id':4,'description':'d','client_id':70,"
                                  "'started_at':'2026-01-04T08:00:00Z','updated_at':'u'}]}")),
                   db);
        QCOMPARE(find(db, u"srv4"_s)->clientId, u"local-c"_s);
    }

    void deletedWhileFirstSentStaysDeleted() {
        // Removed here while its first request travelled: the server's id and
        // its copy of the entry must not bring it back.
        Db db;
        const Entry gone = entry(u"gone"_s, std::nullopt, Entry::pending);
        SyncSnapshot snapshot;
        snapshot.entries.insert(gone.id, gone);
        Api::merge(reply(jsonText("{'ok':true,'results':[{'ref':'gone','server_id':30}],"
                                  "'entries':[{'id':30,'description':'d','started_at':'s',"
                                  "'updated_at':'u'}]}")),
                   db, &snapshot);
        QCOMPARE(db.entries.size(), 1);
        QCOMPARE(db.entries[0].id, u"gone"_s);
        QCOMPARE(db.entries[0].serverId, 30);
        QVERIFY(db.entries[0].deleted);
        QCOMPARE(db.entries[0].syncState, Entry::pending);
    }

    void storedShots_data() {
        QTest::addColumn<QStringList>("sent"); // "k:path" kept, "f:name" uploaded
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<std::optional<QList<qint64>>>("refused");
        QTest::addColumn<QStringList>("expected");
        const QString p1 = u"2026/01/aaaaaaaa.png"_s;
        const QString p2 = u"2026/01/bbbbbbbb.png"_s;
        const QString p3 = u"2026/01/cccccccc.png"_s;
        QTest::newRow("all stored")
            << QStringList{u"k:"_s + p1, u"f:a.png"_s, u"f:b.png"_s} << QStringList{p1, p2, p3}
            << std::optional<QList<qint64>>() << QStringList{p1, p2, p3};
        QTest::newRow("first upload refused")
            << QStringList{u"f:a.png"_s, u"f:b.png"_s} << QStringList{p2}
            << std::optional<QList<qint64>>(QList<qint64>{0}) << QStringList{u"file:a.png"_s, p2};
        QTest::newRow("upload refused before a kept picture")
            << QStringList{u"f:a.png"_s, u"k:"_s + p1} << QStringList{p1}
            << std::optional<QList<qint64>>(QList<qint64>{0}) << QStringList{u"file:a.png"_s, p1};
        QTest::newRow("missing without the server's word: uploads stay local")
            << QStringList{u"f:a.png"_s, u"f:b.png"_s} << QStringList{p2}
            << std::optional<QList<qint64>>() << QStringList{p2, u"file:a.png"_s, u"file:b.png"_s};
        QTest::newRow("kept picture dropped by the server")
            << QStringList{u"k:"_s + p1, u"f:a.png"_s} << QStringList{p2}
            << std::optional<QList<qint64>>(QList<qint64>{}) << QStringList{p2};
    }

    void storedShots() {
        QFETCH(QStringList, sent);
        QFETCH(QStringList, stored);
        QFETCH(std::optional<QList<qint64>>, refused);
        QFETCH(QStringList, expected);
        QList<Screenshot> shots;
        for (const QString& s : sent) {
            const QString value = s.mid(2);
            shots.append(s.startsWith(u'k') ? Screenshot{value, std::nullopt}
                                            : Screenshot{std::nullopt, value});
        }
        Entry e;
        e.screenshots = SyncMerge::storedShots(shots, stored, refused);
        QCOMPARE(serverPaths(e), expected);
    }

    void refusedPictureSurvivesServerCopy() {
        // A synced entry keeps a picture the server refused when the server's
        // own version of the entry arrives.
        Db db;
        Entry e = entry(u"e"_s, 5);
        e.screenshots = QList<Screenshot>{{std::nullopt, u"refused.png"_s}};
        db.entries = {e};
        Api::merge(
            reply(jsonText("{'ok':true,'entries':[{'id':5,'description':'d','started_at':"
                           "'s','updated_at':'u','screenshots':['2026/01/aaaaaaaa.png']}]}")),
            db);
        QCOMPARE(serverPaths(db.entries[0]),
                 (QStringList{u"2026/01/aaaaaaaa.png"_s, u"file:refused.png"_s}));
    }

    void decodeFailures_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("no ok") << QByteArray(jsonText("{'error':'x'}"));
        QTest::newRow("entry without updated_at") << QByteArray(
            jsonText("{'ok':true,'entries':[{'id':1,'description':'d','started_at':'s'}]}"));
        QTest::newRow("result without ref")
            << QByteArray(jsonText("{'ok':true,'results':[{'server_id':1}]}"));
    }

    void decodeFailures() {
        QFETCH(QByteArray, json);
        QVERIFY(!SyncResponse::decode(json));
    }
};

QTEST_GUILESS_MAIN(SyncMergeTest)
#include "SyncMergeTest.moc"

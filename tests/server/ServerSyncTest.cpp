#include "ServerHarness.h"
#include "Storage.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// "action=sync" over real HTTP: results, idempotent refs, clients, deletions,
// the since cursor, access to other people's entries and task ranking.
class ServerSyncTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ServerHarness> m_harness;
    QString m_ada;
    QString m_bob;

    ServerHarness& h() { return *m_harness; }

    // Sends one sync and checks that it succeeded.
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

    static QList<qint64> ids(const QJsonArray& list, const char* key = "id") {
        QList<qint64> out;
        for (const QJsonValue& v : list)
            out.append(v.isObject() ? v.toObject().value(QLatin1StringView(key)).toInteger()
                                    : v.toInteger());
        return out;
    }

    static QJsonObject withClient(QJsonObject entry, const char* key, const QJsonValue& value) {
        entry.insert(QLatin1StringView(key), value);
        return entry;
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_harness = std::make_unique<ServerHarness>(m_env->path(u"server"_s));
        m_ada = h().addPerson(u"Ada"_s, true);
        m_bob = h().addPerson(u"Bob"_s, false);
    }

    void cleanup() {
        m_harness.reset();
        m_env.reset();
    }

    void replyShape() {
        const QJsonObject reply =
            sync(m_bob, {SyncBody::entry(u"r1"_s, u"  Design review "_s, u"2026-01-05T08:00:00Z"_s,
                                         u"2026-01-05T08:45:30.500Z"_s),
                         SyncBody::entry(u"r2"_s, u"Running"_s, u"2026-01-05T09:00:00+01:00"_s)});
        QCOMPARE(reply.value("ok"_L1), QJsonValue(true));
        for (const char* key : {"results", "clients", "entries", "deleted_entries", "tasks"})
            QVERIFY2(reply.value(QLatin1StringView(key)).isArray(), key);
        QCOMPARE(reply.value("server_time"_L1).toString(), u"2026-01-05T09:30:00Z"_s);
        const QJsonObject user = reply.value("user"_L1).toObject();
        QCOMPARE(user.value("name"_L1).toString(), u"Bob"_s);
        QCOMPARE(user.value("is_admin"_L1), QJsonValue(false));
        QCOMPARE(user.value("id"_L1).toInteger(), h().personId(u"Bob"_s));

        const QJsonArray results = reply.value("results"_L1).toArray();
        QCOMPARE(results.size(), 2);
        QCOMPARE(result(reply, 0).value("ref"_L1).toString(), u"r1"_s);
        QCOMPARE(result(reply, 1).value("ref"_L1).toString(), u"r2"_s);
        QVERIFY(result(reply, 0).value("server_id"_L1).toInteger() > 0);
        QCOMPARE(result(reply, 0).value("screenshots"_L1).toArray().size(), 0);
        QVERIFY(!result(reply, 0).contains("error"_L1));
        QVERIFY(!result(reply, 0).contains("deleted"_L1));

        // Without since, all of the caller's entries come back, normalised.
        const QJsonArray entries = reply.value("entries"_L1).toArray();
        QCOMPARE(entries.size(), 2);
        const QJsonObject first = entries.at(0).toObject();
        QCOMPARE(first.value("id"_L1).toInteger(),
                 result(reply, 0).value("server_id"_L1).toInteger());
        QCOMPARE(first.value("description"_L1).toString(), u"Design review"_s);
        QCOMPARE(first.value("started_at"_L1).toString(), u"2026-01-05T08:00:00Z"_s);
        QCOMPARE(first.value("ended_at"_L1).toString(), u"2026-01-05T08:45:30Z"_s);
        QCOMPARE(first.value("duration"_L1).toInteger(), 2730);
        QCOMPARE(first.value("updated_at"_L1).toString(), u"2026-01-05T09:30:00Z"_s);
        QVERIFY(!first.contains("client_id"_L1));
        const QJsonObject running = entries.at(1).toObject();
        QCOMPARE(running.value("started_at"_L1).toString(), u"2026-01-05T08:00:00Z"_s);
        QVERIFY(!running.contains("ended_at"_L1));
        QVERIFY(!running.contains("duration"_L1));
    }

    void refusedObjectsKeepTheirPlace() {
        const QJsonObject reply =
            sync(m_bob,
                 {QJsonValue(5), SyncBody::entry(QString(), u"No ref"_s, u"2026-01-05T08:00:00Z"_s),
                  SyncBody::entry(u"bad-start"_s, u"x"_s, u"yesterday"_s),
                  SyncBody::entry(u"bad-end"_s, u"x"_s, u"2026-01-05T08:00:00Z"_s, u"later"_s),
                  SyncBody::entry(u"good"_s, u"fine"_s, u"2026-01-05T08:00:00Z"_s)});
        const QJsonArray results = reply.value("results"_L1).toArray();
        QCOMPARE(results.size(), 5);
        for (int i = 0; i < 4; ++i) {
            QVERIFY(results.at(i).toObject().value("ref"_L1).isString());
            QVERIFY(!results.at(i).toObject().value("error"_L1).toString().isEmpty());
            QVERIFY(!results.at(i).toObject().contains("server_id"_L1));
        }
        QCOMPARE(result(reply, 2).value("ref"_L1).toString(), u"bad-start"_s);
        QCOMPARE(result(reply, 4).value("ref"_L1).toString(), u"good"_s);
        QVERIFY(!result(reply, 4).contains("error"_L1));
        QCOMPARE(reply.value("entries"_L1).toArray().size(), 1);
    }

    void sameRefSentAgainMapsToTheSameEntry() {
        const QJsonArray pending = {
            SyncBody::entry(u"uuid-1"_s, u"Write"_s, u"2026-01-05T08:00:00Z"_s)};
        const qint64 id = result(sync(m_bob, pending), 0).value("server_id"_L1).toInteger();
        // The reply was lost: the device sends the very same request again.
        const QJsonObject again = sync(m_bob, pending);
        QCOMPARE(result(again, 0).value("server_id"_L1).toInteger(), id);
        QCOMPARE(again.value("entries"_L1).toArray().size(), 1);
        // A later edit under the server id, from another device that knows
        // the entry as "srv<id>", changes the same entry.
        QJsonObject edit = SyncBody::entry(u"srv%1"_s.arg(id), u"Write more"_s,
                                           u"2026-01-05T08:00:00Z"_s, u"2026-01-05T09:00:00Z"_s);
        edit.insert("server_id"_L1, id);
        const QJsonObject edited = sync(m_bob, {edit});
        QCOMPARE(result(edited, 0).value("server_id"_L1).toInteger(), id);
        const QJsonArray entries = edited.value("entries"_L1).toArray();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).toObject().value("description"_L1).toString(), u"Write more"_s);
        // Refs belong to their person: Ada's "uuid-1" is another entry.
        const QJsonObject ada = sync(m_ada, pending);
        QVERIFY(result(ada, 0).value("server_id"_L1).toInteger() != id);
    }

    void clientsByRefAndName() {
        const ServerClient existing =
            h().storage().createClient(u"Acme"_s, u"#112233"_s, h().personId(u"Ada"_s), 0);
        QJsonObject newOne;
        newOne.insert("ref"_L1, u"local-c1"_s);
        newOne.insert("name"_L1, u" Zeta Corp "_s);
        newOne.insert("color"_L1, u"#A1B2C3"_s);
        QJsonObject sameAsExisting;
        sameAsExisting.insert("ref"_L1, u"local-c2"_s);
        sameAsExisting.insert("name"_L1, u"ACME"_s);
        sameAsExisting.insert("color"_L1, u"#000000"_s);

        const QJsonObject base = SyncBody::entry(u"e"_s, u"Work"_s, u"2026-01-05T08:00:00Z"_s,
                                                 u"2026-01-05T08:30:00Z"_s);
        QJsonObject byRef = withClient(base, "client_ref", u"local-c1"_s);
        byRef.insert("ref"_L1, u"e1"_s);
        byRef.insert("client_name"_L1, u"Zeta Corp"_s);
        QJsonObject byNameOnly = withClient(base, "client_ref", u"local-c9"_s);
        byNameOnly.insert("ref"_L1, u"e2"_s);
        byNameOnly.insert("client_name"_L1, u"Brand New"_s);
        QJsonObject byId = withClient(base, "client_id", existing.id);
        byId.insert("ref"_L1, u"e3"_s);
        QJsonObject unknownId = withClient(base, "client_id", 4242);
        unknownId.insert("ref"_L1, u"e4"_s);
        QJsonObject sharedName = withClient(base, "client_ref", u"local-c2"_s);
        sharedName.insert("ref"_L1, u"e5"_s);
        sharedName.insert("client_name"_L1, u"ACME"_s);

        const QJsonObject reply =
            sync(m_bob, {byRef, byNameOnly, byId, unknownId, sharedName}, {newOne, sameAsExisting});
        QHash<QString, QJsonObject> clients;
        for (const QJsonValue& v : reply.value("clients"_L1).toArray())
            clients.insert(v.toObject().value("name"_L1).toString(), v.toObject());
        QCOMPARE(clients.size(), 3);
        QVERIFY(clients.contains(u"Zeta Corp"_s));
        QCOMPARE(clients[u"Zeta Corp"_s].value("color"_L1).toString(), u"#a1b2c3"_s);
        QCOMPARE(clients[u"Zeta Corp"_s].value("archived"_L1), QJsonValue(false));
        // An existing name is reused whatever its case, keeping its colour.
        QCOMPARE(clients[u"Acme"_s].value("id"_L1).toInteger(), existing.id);
        QCOMPARE(clients[u"Acme"_s].value("color"_L1).toString(), u"#112233"_s);
        QCOMPARE(clients[u"Brand New"_s].value("color"_L1).toString(),
                 ServerClient::defaultColor());

        QHash<qint64, QJsonObject> entries;
        for (const QJsonValue& v : reply.value("entries"_L1).toArray())
            entries.insert(v.toObject().value("id"_L1).toInteger(), v.toObject());
        auto clientOf = [&](int i) {
            return entries[result(reply, i).value("server_id"_L1).toInteger()].value(
                "client_id"_L1);
        };
        QCOMPARE(clientOf(0).toInteger(), clients[u"Zeta Corp"_s].value("id"_L1).toInteger());
        QCOMPARE(clientOf(1).toInteger(), clients[u"Brand New"_s].value("id"_L1).toInteger());
        QCOMPARE(clientOf(2).toInteger(), existing.id);
        QVERIFY(clientOf(3).isUndefined());
        QCOMPARE(clientOf(4).toInteger(), existing.id);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!result(reply, i).contains("error"_L1));
    }

    void deletionsReachDeletedEntries() {
        const QJsonObject created =
            sync(m_bob, {SyncBody::entry(u"a"_s, u"Keep"_s, u"2026-01-05T07:00:00Z"_s),
                         SyncBody::entry(u"b"_s, u"Drop"_s, u"2026-01-05T08:00:00Z"_s)});
        const qint64 keep = result(created, 0).value("server_id"_L1).toInteger();
        const qint64 drop = result(created, 1).value("server_id"_L1).toInteger();
        const QString cursor = created.value("server_time"_L1).toString();

        m_env->clock().advanceSeconds(60);
        const QJsonObject deleted = sync(m_bob, {SyncBody::deletion(u"b"_s, drop)});
        QCOMPARE(result(deleted, 0).value("deleted"_L1), QJsonValue(true));
        QCOMPARE(result(deleted, 0).value("server_id"_L1).toInteger(), drop);
        QCOMPARE(ids(deleted.value("deleted_entries"_L1).toArray()), QList<qint64>{drop});
        QCOMPARE(ids(deleted.value("entries"_L1).toArray()), QList<qint64>{keep});

        // Another device of Bob's, synced before the deletion, learns of it.
        m_env->clock().advanceSeconds(60);
        const QJsonObject other = sync(m_bob, {}, {}, cursor);
        QCOMPARE(ids(other.value("deleted_entries"_L1).toArray()), QList<qint64>{drop});
        // A device synced after it does not hear of it again.
        const QJsonObject later = sync(m_bob, {}, {}, other.value("server_time"_L1).toString());
        QVERIFY(later.value("deleted_entries"_L1).toArray().isEmpty());

        // Sending the deletion again, or editing the deleted entry, is
        // answered as deleted; nothing comes back to life.
        const QJsonObject again = sync(m_bob, {SyncBody::deletion(u"b"_s, drop)});
        QCOMPARE(result(again, 0).value("deleted"_L1), QJsonValue(true));
        QJsonObject edit = SyncBody::entry(u"b"_s, u"Edited"_s, u"2026-01-05T08:00:00Z"_s);
        edit.insert("server_id"_L1, drop);
        const QJsonObject edited =
            sync(m_bob, {edit, SyncBody::entry(u"b"_s, u"Same ref"_s, u"2026-01-05T08:00:00Z"_s)});
        QCOMPARE(result(edited, 0).value("deleted"_L1), QJsonValue(true));
        QCOMPARE(result(edited, 1).value("deleted"_L1), QJsonValue(true));
        QCOMPARE(ids(edited.value("entries"_L1).toArray()), QList<qint64>{keep});
        // A deletion of an entry the server never had is simply confirmed.
        const QJsonObject unknown = sync(m_bob, {SyncBody::deletion(u"never-sent"_s)});
        QCOMPARE(result(unknown, 0).value("deleted"_L1), QJsonValue(true));
        QVERIFY(!result(unknown, 0).contains("server_id"_L1));
        // New entries never reuse a deleted entry's id.
        const QJsonObject fresh =
            sync(m_bob, {SyncBody::entry(u"c"_s, u"New"_s, u"2026-01-05T08:00:00Z"_s)});
        QVERIFY(result(fresh, 0).value("server_id"_L1).toInteger() > drop);
    }

    void sinceNarrowsEntries() {
        const QJsonObject first =
            sync(m_bob, {SyncBody::entry(u"a"_s, u"Early"_s, u"2026-01-05T07:00:00Z"_s)});
        m_env->clock().advanceSeconds(600);
        const QJsonObject second =
            sync(m_bob, {SyncBody::entry(u"b"_s, u"Later"_s, u"2026-01-05T08:00:00Z"_s)});
        const QString t2 = second.value("server_time"_L1).toString();
        QCOMPARE(t2, u"2026-01-05T09:40:00Z"_s);
        m_env->clock().advanceSeconds(600);

        // The device sends its last server time less 3 seconds.
        const QJsonObject narrowed = sync(m_bob, {}, {}, u"2026-01-05T09:39:57Z"_s);
        QCOMPARE(narrowed.value("entries"_L1).toArray().size(), 1);
        QCOMPARE(narrowed.value("entries"_L1).toArray().at(0).toObject().value("description"_L1),
                 QJsonValue(u"Later"_s));
        QVERIFY(
            sync(m_bob, {}, {}, u"2026-01-05T09:50:00Z"_s).value("entries"_L1).toArray().isEmpty());
        // A cursor that is no instant asks for everything.
        QCOMPARE(sync(m_bob, {}, {}, u"garbage"_s).value("entries"_L1).toArray().size(), 2);
        QCOMPARE(sync(m_bob, {}, {}, QString()).value("entries"_L1).toArray().size(), 2);
    }

    void othersEntriesAreOutOfReach() {
        const QJsonObject ada =
            sync(m_ada, {SyncBody::entry(u"a1"_s, u"Ada's work"_s, u"2026-01-05T07:00:00Z"_s)});
        const qint64 adaId = result(ada, 0).value("server_id"_L1).toInteger();

        // Bob neither sees it nor can change or delete it by its id.
        QJsonObject takeOver = SyncBody::entry(u"b1"_s, u"Mine now"_s, u"2026-01-05T07:00:00Z"_s);
        takeOver.insert("server_id"_L1, adaId);
        const QJsonObject bob = sync(m_bob, {takeOver, SyncBody::deletion(u"b2"_s, adaId)});
        QVERIFY(!result(bob, 0).value("error"_L1).toString().isEmpty());
        QVERIFY(!result(bob, 0).contains("server_id"_L1));
        QVERIFY(!result(bob, 1).value("error"_L1).toString().isEmpty());
        QVERIFY(!result(bob, 1).contains("deleted"_L1));
        QVERIFY(bob.value("entries"_L1).toArray().isEmpty());
        QVERIFY(bob.value("deleted_entries"_L1).toArray().isEmpty());

        const auto stored = h().storage().entry(adaId);
        QVERIFY(stored);
        QCOMPARE(stored->description, u"Ada's work"_s);
        QCOMPARE(stored->userId, h().personId(u"Ada"_s));
        // Ada's own view is unchanged, and Bob's tasks do not show her work.
        QCOMPARE(sync(m_ada, {}).value("entries"_L1).toArray().size(), 1);
        QVERIFY(bob.value("tasks"_L1).toArray().isEmpty());
    }

    void tasksRankedByUseThenRecency() {
        const ServerClient acme =
            h().storage().createClient(u"Acme"_s, u"#112233"_s, h().personId(u"Ada"_s), 0);
        QJsonArray pending;
        int n = 0;
        auto add = [&](const QString& text, const QString& start, std::optional<qint64> client) {
            QJsonObject e = SyncBody::entry(u"t%1"_s.arg(n++), text, start);
            if (client)
                e.insert("client_id"_L1, *client);
            pending.append(e);
        };
        for (int i = 0; i < 3; ++i)
            add(u"Old habit"_s, u"2025-12-0%1T09:00:00Z"_s.arg(i + 1), std::nullopt);
        add(u"Fresh"_s, u"2026-01-05T08:00:00Z"_s, std::nullopt);
        for (int i = 0; i < 3; ++i)
            add(u"Client work"_s, u"2026-01-0%1T09:00:00Z"_s.arg(i + 2), acme.id);
        add(u"Client work"_s, u"2026-01-04T10:00:00Z"_s, std::nullopt);
        add(QString(), u"2026-01-05T07:00:00Z"_s, std::nullopt);

        const QJsonArray tasks = sync(m_bob, pending).value("tasks"_L1).toArray();
        QStringList order;
        for (const QJsonValue& v : tasks)
            order.append(v.toObject().value("description"_L1).toString());
        QCOMPARE(order,
                 (QStringList{u"Client work"_s, u"Old habit"_s, u"Fresh"_s, u"Client work"_s}));
        const QJsonObject top = tasks.at(0).toObject();
        QCOMPARE(top.value("uses"_L1).toInteger(), 3);
        QCOMPARE(top.value("last_used"_L1).toString(), u"2026-01-04T09:00:00Z"_s);
        QCOMPARE(top.value("client_id"_L1).toInteger(), acme.id);
        QCOMPARE(top.value("client_name"_L1).toString(), u"Acme"_s);
        QCOMPARE(top.value("client_color"_L1).toString(), u"#112233"_s);
        // The same text without a client is a task of its own.
        QVERIFY(!tasks.at(3).toObject().contains("client_id"_L1));
        QCOMPARE(tasks.at(3).toObject().value("uses"_L1).toInteger(), 1);
    }
};

QTEST_MAIN(ServerSyncTest)
#include "ServerSyncTest.moc"

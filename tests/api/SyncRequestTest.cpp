#include "api/SyncRequest.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "api/Api.h"
#include "model/Store.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Entry entry(const QString& id, const QString& state = Entry::pending) {
    Entry e;
    e.id = id;
    e.description = u"Work "_s + id;
    e.startedAt = u"2026-01-05T09:00:00Z"_s;
    e.endedAt = u"2026-01-05T10:00:00Z"_s;
    e.updatedAt = e.endedAt.value();
    e.syncState = state;
    e.screenshots = QList<Screenshot>();
    return e;
}

Client client(const QString& id, std::optional<qint64> serverId, const QString& state) {
    Client c;
    c.id = id;
    c.serverId = serverId;
    c.name = u"Client "_s + id;
    c.color = u"#22c55e"_s;
    c.syncState = state;
    return c;
}

QJsonObject toObject(const QString& json) {
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

} // namespace

// The body of a sync request, built from a database value.
class SyncRequestTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<Store> m_store;
    QString m_shots;

    QJsonObject bodyOf(const Db& db, SyncSnapshot* snapshot = nullptr) {
        m_store->db() = db;
        return SyncRequest::body(*m_store, snapshot);
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_store = std::make_unique<Store>(m_env->dataDirectory());
        m_shots = m_store->screenshotsDir();
    }
    void cleanup() {
        m_store.reset();
        m_env.reset();
    }

    void since_data() {
        QTest::addColumn<std::optional<QString>>("lastSync");
        QTest::addColumn<std::optional<QString>>("since");
        QTest::newRow("first sync") << std::optional<QString>() << std::optional<QString>();
        QTest::newRow("rewound 3 s") << std::optional<QString>(u"2024-05-06T10:00:00Z"_s)
                                     << std::optional<QString>(u"2024-05-06T09:59:57Z"_s);
        QTest::newRow("not an instant sent unchanged") << std::optional<QString>(u"last tuesday"_s)
                                                       << std::optional<QString>(u"last tuesday"_s);
    }

    void since() {
        QFETCH(std::optional<QString>, lastSync);
        QFETCH(std::optional<QString>, since);
        Db db;
        db.settings.lastSync = lastSync;
        const QJsonObject body = bodyOf(db);
        QCOMPARE(body.contains("since"_L1), since.has_value());
        if (since)
            QCOMPARE(body.value("since"_L1).toString(), *since);
        QVERIFY(body.value("pending"_L1).isArray());
        QVERIFY(body.value("new_clients"_L1).isArray());
    }

    void pendingEntry_data() {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QList<Client>>("clients");
        QTest::addColumn<QByteArray>("expected");

        Entry tomb = entry(u"a"_s);
        tomb.deleted = true;
        QTest::newRow("deletion without server id")
            << tomb << QList<Client>() << jsonText("{'ref':'a','deleted':true}");
        tomb.serverId = 42;
        QTest::newRow("deletion with server id")
            << tomb << QList<Client>() << jsonText("{'ref':'a','server_id':42,'deleted':true}");

        Entry running = entry(u"r"_s);
        running.endedAt.reset();
        QTest::newRow("running entry has no end")
            << running << QList<Client>()
            << jsonText("{'ref':'r','description':'Work "
                        "r','started_at':'2026-01-05T09:00:00Z','screenshots':[]}");

        Entry known = entry(u"k"_s);
        known.serverId = 7;
        known.clientId = u"c1"_s;
        QTest::newRow("client with server id")
            << known << QList<Client>{client(u"c1"_s, 70, Entry::synced)}
            << jsonText("{'ref':'k','server_id':7,'description':'Work "
                        "k','started_at':'2026-01-05T09:00:00Z',"
                        "'ended_at':'2026-01-05T10:00:00Z','client_id':70,'screenshots':[]}");
        QTest::newRow("client not on the server yet")
            << known << QList<Client>{client(u"c1"_s, std::nullopt, Entry::pending)}
            << jsonText(
                   "{'ref':'k','server_id':7,'description':'Work "
                   "k','started_at':'2026-01-05T09:00:00Z',"
                   "'ended_at':'2026-01-05T10:00:00Z','client_ref':'c1','client_name':'Client c1',"
                   "'screenshots':[]}");
        QTest::newRow("unknown client sends no client key")
            << known << QList<Client>{client(u"other"_s, 70, Entry::synced)}
            << jsonText("{'ref':'k','server_id':7,'description':'Work "
                        "k','started_at':'2026-01-05T09:00:00Z',"
                        "'ended_at':'2026-01-05T10:00:00Z','screenshots':[]}");
    }

    void pendingEntry() {
        QFETCH(Entry, entry);
        QFETCH(QList<Client>, clients);
        QFETCH(QByteArray, expected);
        Db db;
        db.entries = {entry};
        db.clients = clients;
        const QJsonArray pending = bodyOf(db).value("pending"_L1).toArray();
        QCOMPARE(pending.size(), 1);
        QCOMPARE(pending[0].toObject(), toObject(expected));
    }

    void screenshots() {
        const QByteArray png("\x89PNG\r\n\x1a\nfake");
        QFile file(m_shots + u"/shot.PNG"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(png);
        file.close();

        m_store->save(); // a db.json beside the folder that must never be sent
        Entry e = entry(u"s"_s);
        e.screenshots = QList<Screenshot>{
            {u"2026/01/aaaaaaaa.png"_s, std::nullopt},  // on the server
            {std::nullopt, u"shot.PNG"_s},              // local, readable
            {u"2026/01/bbbbbbbb.png"_s, u"shot.PNG"_s}, // both: kept by path only
            {std::nullopt, u"missing.png"_s},           // unreadable: left out
            {std::nullopt, std::nullopt},               // nothing: left out
        };
        Db db;
        db.entries = {e};
        const QJsonArray shots = bodyOf(db)
                                     .value("pending"_L1)
                                     .toArray()[0]
                                     .toObject()
                                     .value("screenshots"_L1)
                                     .toArray();
        QCOMPARE(shots.size(), 3);
        QCOMPARE(shots[0].toObject(), toObject(jsonText("{'keep':'2026/01/aaaaaaaa.png'}")));
        QCOMPARE(shots[1].toObject().value("ext"_L1).toString(), u"png"_s);
        QCOMPARE(
            QByteArray::fromBase64(shots[1].toObject().value("base64"_L1).toString().toLatin1()),
            png);
        QCOMPARE(shots[1].toObject().size(), 2);
        QCOMPARE(shots[2].toObject(), toObject(jsonText("{'keep':'2026/01/bbbbbbbb.png'}")));
    }

    void newClients() {
        Db db;
        db.clients = {client(u"new"_s, std::nullopt, Entry::pending),
                      client(u"known"_s, 5, Entry::pending),
                      client(u"done"_s, std::nullopt, Entry::synced)};
        const QJsonArray created = bodyOf(db).value("new_clients"_L1).toArray();
        QCOMPARE(created.size(), 1);
        QCOMPARE(created[0].toObject(),
                 toObject(jsonText("{'ref':'new','name':'Client new','color':'#22c55e'}")));
    }

    void batches_data() {
        QTest::addColumn<int>("budgetDelta"); // against the first two entries' sizes
        QTest::addColumn<QStringList>("done");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("two fit exactly") << 0 << QStringList() << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("one byte short") << -1 << QStringList() << QStringList{u"a"_s};
        QTest::newRow("sent ones left out")
            << 0 << QStringList{u"a"_s} << QStringList{u"b"_s, u"c"_s};
        QTest::newRow("larger than the budget goes alone")
            << -100000 << QStringList() << QStringList{u"a"_s};
        QTest::newRow("nothing left") << 0 << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList();
    }

    void batches() {
        QFETCH(int, budgetDelta);
        QFETCH(QStringList, done);
        QFETCH(QStringList, expected);
        QFile file(m_shots + u"/big.png"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(3000, 'x'));
        file.close();
        Db db;
        db.entries = {entry(u"a"_s), entry(u"s"_s, Entry::synced), entry(u"b"_s), entry(u"c"_s)};
        db.entries[0].screenshots = QList<Screenshot>{{std::nullopt, u"big.png"_s}};
        m_store->db() = db;
        const qint64 a = SyncRequest::estimatedSize(db.entries[0], *m_store);
        QVERIFY(a > 4000); // the picture counts as Base64
        const qint64 budget = a + SyncRequest::estimatedSize(db.entries[2], *m_store) + budgetDelta;
        const QSet<QString> batch =
            SyncRequest::nextBatch(*m_store, budget, QSet<QString>(done.begin(), done.end()));
        QCOMPARE(batch, QSet<QString>(expected.begin(), expected.end()));
        // The body carries just the batch, and new clients only when asked.
        const QJsonObject body = SyncRequest::body(*m_store, nullptr, &batch, false);
        QCOMPARE(body.value("pending"_L1).toArray().size(), batch.size());
    }
};

QTEST_GUILESS_MAIN(SyncRequestTest)
#include "SyncRequestTest.moc"

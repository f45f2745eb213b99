#include "ServerHarness.h"
#include "Storage.h"
#include "TestEnv.h"
#include "api/Api.h"
#include "model/AppModel.h"
#include "reports/Report.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

// Two devices of one person, each with its own local store, syncing through
// one real zevra-server with the client's own sync.
class ServerEndToEndTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ServerHarness> m_harness;
    std::unique_ptr<AppModel> m_a;
    std::unique_ptr<AppModel> m_b;

    ServerHarness& h() { return *m_harness; }

    SyncSummary sync(AppModel& model) {
        std::optional<SyncSummary> result;
        Api::sync(model.store(), &model, [&](const SyncSummary& s) { result = s; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 60000))
            qFatal("sync never completed");
        if (result->error)
            qWarning("sync failed: %s", qPrintable(*result->error));
        return *result;
    }

    static QList<Entry> live(AppModel& model) {
        QList<Entry> out;
        for (const Entry& e : model.store().db().entries) {
            if (!e.deleted)
                out.append(e);
        }
        return out;
    }

    static std::optional<Entry> byDescription(AppModel& model, const QString& text) {
        for (const Entry& e : model.store().db().entries) {
            if (e.description == text)
                return e;
        }
        return std::nullopt;
    }

    static std::optional<Client> clientNamed(AppModel& model, const QString& name) {
        for (const Client& c : model.store().db().clients) {
            if (c.name == name)
                return c;
        }
        return std::nullopt;
    }

    // Starts and, ten minutes later, stops an entry on a device.
    Entry track(AppModel& model, const QString& text, const std::optional<QString>& clientId = {}) {
        model.start(text, clientId);
        m_env->clock().advanceSeconds(600);
        model.stop(*model.running());
        return *byDescription(model, text);
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_harness = std::make_unique<ServerHarness>(m_env->path(u"server"_s));
        const QString key = h().addPerson(u"Ada"_s, true);
        m_a = std::make_unique<AppModel>(m_env->path(u"device-a"_s));
        m_b = std::make_unique<AppModel>(m_env->path(u"device-b"_s));
        m_a->setSettings(h().baseUrl() + u"/"_s, key);
        m_b->setSettings(h().baseUrl(), key);
    }

    void cleanup() {
        m_a.reset();
        m_b.reset();
        m_harness.reset();
        m_env.reset();
    }

    void entriesTravelBothWays() {
        // Made on A, with a client A created.
        const Client acme = *m_a->addClient(u"Acme"_s, u"#aa5500"_s);
        const Entry made = track(*m_a, u"Write report"_s, acme.id);
        const SyncSummary first = sync(*m_a);
        QVERIFY(!first.error);
        QCOMPARE(first.pending, 0);
        QCOMPARE(first.serverTime, std::optional<QString>(u"2026-01-05T09:40:00Z"_s));
        const Entry onA = *byDescription(*m_a, u"Write report"_s);
        QCOMPARE(onA.id, made.id);
        QVERIFY(onA.serverId);
        QCOMPARE(onA.syncState, Entry::synced);
        const Client acmeOnA = *clientNamed(*m_a, u"Acme"_s);
        QCOMPARE(acmeOnA.id, acme.id);
        QVERIFY(acmeOnA.serverId);
        QCOMPARE(acmeOnA.syncState, u"synced"_s);
        QCOMPARE(onA.clientId, std::optional<QString>(acme.id));

        // Appears on B, with its client and colour.
        m_env->clock().advanceSeconds(60);
        QVERIFY(!sync(*m_b).error);
        const std::optional<Entry> onB = byDescription(*m_b, u"Write report"_s);
        QVERIFY(onB);
        QCOMPARE(onB->serverId, onA.serverId);
        QCOMPARE(onB->startedAt, onA.startedAt);
        QCOMPARE(onB->endedAt, onA.endedAt);
        const Client acmeOnB = *clientNamed(*m_b, u"Acme"_s);
        QCOMPARE(acmeOnB.serverId, acmeOnA.serverId);
        QCOMPARE(acmeOnB.color, u"#aa5500"_s);
        QCOMPARE(onB->clientId, std::optional<QString>(acmeOnB.id));
        QCOMPARE(m_b->store().db().settings.userName, u"Ada"_s);
        QVERIFY(m_b->store().db().settings.isAdmin);
        QCOMPARE(m_b->store().db().tasks.value(0).description, u"Write report"_s);

        // An edit on B comes back to A.
        m_env->clock().advanceSeconds(60);
        m_b->updateDescription(*onB, u"Write the final report"_s);
        QCOMPARE(sync(*m_b).pending, 0);
        m_env->clock().advanceSeconds(60);
        sync(*m_a);
        QCOMPARE(live(*m_a).size(), 1);
        QCOMPARE(live(*m_a).first().description, u"Write the final report"_s);
        QCOMPARE(live(*m_a).first().id, made.id);

        // A deletion on A disappears from B.
        m_env->clock().advanceSeconds(60);
        m_a->deleteEntry(live(*m_a).first());
        QCOMPARE(sync(*m_a).pending, 0);
        QVERIFY(m_a->store().db().entries.isEmpty());
        m_env->clock().advanceSeconds(60);
        sync(*m_b);
        QVERIFY(m_b->store().db().entries.isEmpty());
        QVERIFY(!h().storage().entry(*onA.serverId));
    }

    void clientColourReachesTheOtherDevice() {
        const Client zeta = *m_a->addClient(u"Zeta"_s, u"#112233"_s);
        sync(*m_a);
        sync(*m_b);
        QCOMPARE(clientNamed(*m_b, u"Zeta"_s)->color, u"#112233"_s);

        const qint64 serverId = *clientNamed(*m_a, u"Zeta"_s)->serverId;
        m_a->setClientColor(zeta.id, u"#F97316"_s);
        QTRY_COMPARE(h().storage().client(serverId)->color, u"#f97316"_s);

        m_env->clock().advanceSeconds(60);
        sync(*m_b);
        QCOMPARE(clientNamed(*m_b, u"Zeta"_s)->color.toLower(), u"#f97316"_s);
        QCOMPARE(clientNamed(*m_b, u"Zeta"_s)->serverId, std::optional<qint64>(serverId));
    }

    void screenshotIsStoredAndListed() {
        const Entry entry = track(*m_a, u"With a picture"_s);
        const QByteArray png = SyncBody::png(Qt::darkGreen);
        m_a->addScreenshot(entry, png, u"png"_s);
        const QString localFile =
            m_a->store().screenshotsDir() + u'/' +
            *byDescription(*m_a, u"With a picture"_s)->screenshots->value(0).file;
        QVERIFY(QFile::exists(localFile));

        QCOMPARE(sync(*m_a).pending, 0);
        const Entry onA = *byDescription(*m_a, u"With a picture"_s);
        QCOMPARE(onA.screenshots->size(), 1);
        const Screenshot shot = onA.screenshots->first();
        QVERIFY(shot.server);
        QVERIFY(!shot.file);
        // Stored on the server, and the local copy pruned.
        QFile stored(m_env->path(u"server"_s) + u"/uploads/"_s + *shot.server);
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), png);
        QVERIFY(!QFile::exists(localFile));

        sync(*m_b);
        const Entry onB = *byDescription(*m_b, u"With a picture"_s);
        QCOMPARE(onB.screenshots->size(), 1);
        QCOMPARE(onB.screenshots->first().server, shot.server);
        const HttpResult served = h().get(u"/uploads/"_s + *shot.server);
        QCOMPARE(served.status, 200);
        QCOMPARE(served.body, png);

        // Removed on B: the server drops the file and A's copy follows.
        m_env->clock().advanceSeconds(60);
        m_b->removeScreenshot(onB, 0);
        sync(*m_b);
        QVERIFY(!QFile::exists(stored.fileName()));
        m_env->clock().advanceSeconds(60);
        sync(*m_a);
        QVERIFY(byDescription(*m_a, u"With a picture"_s)->screenshots->isEmpty());
    }

    void reportWithScreenshotsThroughTheClientCalls() {
        const Entry entry = track(*m_a, u"Reported"_s);
        const QByteArray png = SyncBody::png(Qt::magenta);
        m_a->addScreenshot(entry, png, u"png"_s);
        sync(*m_a);

        std::optional<ApiResult<Report>> result;
        Api::fetchReport(m_b->store(), QDateTime(QDate(2026, 1, 5), QTime(0, 0), Qt::UTC),
                         QDateTime(QDate(2026, 1, 6), QTime(0, 0), Qt::UTC), {}, {}, m_b.get(),
                         [&](const ApiResult<Report>& r) { result = r; });
        QVERIFY(QTest::qWaitFor([&] { return result.has_value(); }, 60000));
        QVERIFY(result->ok());
        const Report report = result->value();
        QCOMPARE(report.entries.size(), 1);
        QCOMPARE(report.total, 600);
        QCOMPARE(report.entries.first().description, u"Reported"_s);
        QCOMPARE(report.entries.first().userName, std::optional<QString>(u"Ada"_s));

        // The relative picture path joined to the server address by the
        // client gives the picture.
        std::optional<QHash<qint64, QList<QImage>>> images;
        Api::downloadScreenshots(m_b->store().db().settings.server, report.entries, 6, m_b.get(),
                                 [&](const QHash<qint64, QList<QImage>>& map) { images = map; });
        QVERIFY(QTest::qWaitFor([&] { return images.has_value(); }, 60000));
        const QList<QImage> pictures = images->value(report.entries.first().id);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(pictures.first().pixelColor(0, 0), QColor(Qt::magenta));
    }

    void lostReplyDoesNotDuplicate() {
        track(*m_a, u"Sent twice"_s);
        // The first request reaches the server but A never merges its reply.
        const Db before = m_a->store().db();
        sync(*m_a);
        m_a->store().db() = before;
        sync(*m_a);
        QCOMPARE(live(*m_a).size(), 1);
        sync(*m_b);
        QCOMPARE(live(*m_b).size(), 1);
        QCOMPARE(h().storage().entriesChangedSince(h().personId(u"Ada"_s), std::nullopt).size(), 1);
    }
};

QTEST_MAIN(ServerEndToEndTest)
#include "ServerEndToEndTest.moc"

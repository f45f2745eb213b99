#include "ServerHarness.h"
#include "Storage.h"
#include "api/Api.h"
#include "model/AppModel.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Two devices of one person, each with its own local store, syncing through
// one real tracking server with the client's own calls.
class ServerEndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServerFixture> f;

    SyncSummary sync(AppModel& model) {
        f->env.clock().advanceSeconds(60);
        std::optional<SyncSummary> result;
        Api::sync(model.store(), &model, [&](const SyncSummary& s) { result = s; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 60000))
            qFatal("sync never completed");
        return *result;
    }

    static QList<Entry> live(AppModel& model) {
        QList<Entry> out = model.store().db().entries;
        out.removeIf([](const Entry& e) { return e.deleted; });
        return out;
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServerFixture>(); }
    void cleanup() { f.reset(); }

    void entriesAndClientsTravelBothWays() {
        AppModel a(f->env.path(u"device-a"_s)), b(f->env.path(u"device-b"_s));
        for (AppModel* model : {&a, &b})
            Api::connect(*model);
        a.setSettings(f->h.baseUrl() + u"/"_s, f->ada);
        b.setSettings(f->h.baseUrl(), f->ada);
        const Client acme = *a.addClient(u"Acme"_s, u"#aa5500"_s);
        a.start(u"Write report"_s, acme.id);
        f->env.clock().advanceSeconds(600);
        a.stop(*a.running());
        QCOMPARE(sync(a).pending, 0);
        const Entry onA = live(a).first();
        QVERIFY(onA.serverId && onA.syncState == Entry::synced);

        // Appears on B with its client and colour.
        QVERIFY(!sync(b).error);
        const Entry onB = live(b).value(0);
        QCOMPARE(onB.serverId, onA.serverId);
        const Client acmeOnB = b.store().db().clients.value(0);
        QCOMPARE(acmeOnB.color, u"#aa5500"_s);
        QCOMPARE(onB.clientId, std::optional<QString>(acmeOnB.id));

        // An edit on B comes back to A.
        b.updateDescription(onB, u"Write the final report"_s);
        QCOMPARE(sync(b).pending, 0);
        sync(a);
        QCOMPARE(live(a).value(0).description, u"Write the final report"_s);

        // A deletion on A disappears from B and the server.
        a.deleteEntry(live(a).first());
        QCOMPARE(sync(a).pending, 0);
        QVERIFY(a.store().db().entries.isEmpty());
        sync(b);
        QVERIFY(b.store().db().entries.isEmpty());
        QVERIFY(!f->h.storage().entry(*onA.serverId));
    }
};

QTEST_MAIN(ServerEndToEndTest)
#include "ServerEndToEndTest.moc"

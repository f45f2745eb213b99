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
    std::unique_ptr<AppModel> m_a;
    std::unique_ptr<AppModel> m_b;

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
    void init() {
        f = std::make_unique<ServerFixture>();
        m_a = std::make_unique<AppModel>(f->env.path(u"device-a"_s));
        m_b = std::make_unique<AppModel>(f->env.path(u"device-b"_s));
        for (AppModel* model : {m_a.get(), m_b.get()})
            Api::connect(*model);
        m_a->setSettings(f->h.baseUrl() + u"/"_s, f->ada);
        m_b->setSettings(f->h.baseUrl(), f->ada);
    }

    void cleanup() {
        m_a.reset();
        m_b.reset();
        f.reset();
    }

    void entriesAndClientsTravelBothWays() {
        const Client acme = *m_a->addClient(u"Acme"_s, u"#aa5500"_s);
        m_a->start(u"Write report"_s, acme.id);
        f->env.clock().advanceSeconds(600);
        m_a->stop(*m_a->running());
        QCOMPARE(sync(*m_a).pending, 0);
        const Entry onA = live(*m_a).first();
        QVERIFY(onA.serverId && onA.syncState == Entry::synced);

        // Appears on B with its client and colour.
        QVERIFY(!sync(*m_b).error);
        const Entry onB = live(*m_b).value(0);
        QCOMPARE(onB.serverId, onA.serverId);
        QCOMPARE(onB.endedAt, onA.endedAt);
        const Client acmeOnB = m_b->store().db().clients.value(0);
        QCOMPARE(acmeOnB.color, u"#aa5500"_s);
        QCOMPARE(onB.clientId, std::optional<QString>(acmeOnB.id));

        // A colour changed on A reaches the server at once and B on its sync;
        // an edit on B comes back to A.
        m_a->setClientColor(acme.id, u"#F97316"_s);
        QTRY_COMPARE(f->h.storage().client(*acmeOnB.serverId)->color, u"#f97316"_s);
        m_b->updateDescription(onB, u"Write the final report"_s);
        QCOMPARE(sync(*m_b).pending, 0);
        QCOMPARE(m_b->store().db().clients.value(0).color.toLower(), u"#f97316"_s);
        sync(*m_a);
        QCOMPARE(live(*m_a).value(0).description, u"Write the final report"_s);

        // A deletion on A disappears from B and the server.
        m_a->deleteEntry(live(*m_a).first());
        QCOMPARE(sync(*m_a).pending, 0);
        QVERIFY(m_a->store().db().entries.isEmpty());
        sync(*m_b);
        QVERIFY(m_b->store().db().entries.isEmpty());
        QVERIFY(!f->h.storage().entry(*onA.serverId));
    }
};

QTEST_MAIN(ServerEndToEndTest)
#include "ServerEndToEndTest.moc"

#include "BenchHttp.h"
#include "PeopleAction.h"
#include "TrackingServer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// A first sync of a device that tracked `count` entries offline, with two new
// clients, as one request body.
QByteArray syncBody(int count) {
    QJsonArray pending;
    for (int i = 0; i < count; ++i) {
        QJsonObject e;
        e.insert("ref"_L1, u"00000000-0000-4000-8000-%1"_s.arg(i, 12, 10, QChar(u'0')));
        e.insert("description"_L1, u"Task number %1"_s.arg(i % 40));
        const int day = 1 + i / 20;
        e.insert("started_at"_L1, u"2025-%1-%2T09:00:00Z"_s.arg(1 + day / 28, 2, 10, QChar(u'0'))
                                      .arg(1 + day % 28, 2, 10, QChar(u'0')));
        e.insert("ended_at"_L1, u"2025-%1-%2T10:30:00Z"_s.arg(1 + day / 28, 2, 10, QChar(u'0'))
                                    .arg(1 + day % 28, 2, 10, QChar(u'0')));
        if (i % 3 == 0) {
            e.insert("client_ref"_L1, i % 2 ? u"c1"_s : u"c2"_s);
            e.insert("client_name"_L1, i % 2 ? u"Acme"_s : u"Zeta"_s);
        }
        e.insert("screenshots"_L1, QJsonArray());
        pending.append(e);
    }
    QJsonArray clients;
    for (const auto& [ref, name] : {std::pair{u"c1"_s, u"Acme"_s}, std::pair{u"c2"_s, u"Zeta"_s}}) {
        QJsonObject c;
        c.insert("ref"_L1, ref);
        c.insert("name"_L1, name);
        c.insert("color"_L1, u"#f97316"_s);
        clients.append(c);
    }
    QJsonObject body;
    body.insert("pending"_L1, pending);
    body.insert("new_clients"_L1, clients);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

void BM_Sync500Pending(benchmark::State& state) {
    QTemporaryDir dir;
    TrackingServer server;
    QString error;
    if (!server.open(dir.path(), std::nullopt, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const quint16 port = server.listenOn(QHostAddress(QHostAddress::LocalHost), 0, &error);
    const QString url = u"http://127.0.0.1:%1/api.php?action=sync"_s.arg(port);
    PeopleAction people(server.data().storage());
    const QByteArray body = syncBody(500);
    BenchHttp http;
    int person = 0;
    for (auto _ : state) {
        // Each round is another person's first sync, so every entry is new.
        state.PauseTiming();
        const QString key = people.create(u"Person %1"_s.arg(person++), false, &error)->apiKey;
        state.ResumeTiming();
        const BenchHttp::Answer a = http.send("POST", url, key, body);
        if (a.status != 200) {
            state.SkipWithError("sync failed");
            break;
        }
        benchmark::DoNotOptimize(a);
    }
}
BENCHMARK(BM_Sync500Pending)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_SyncNothingPending(benchmark::State& state) {
    // A device's regular sync once it has caught up: nothing pending, the
    // cursor a minute old, against a person with 5,000 entries.
    QTemporaryDir dir;
    TrackingServer server;
    QString error;
    if (!server.open(dir.path(), std::nullopt, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const quint16 port = server.listenOn(QHostAddress(QHostAddress::LocalHost), 0, &error);
    const QString url = u"http://127.0.0.1:%1/api.php?action=sync"_s.arg(port);
    PeopleAction people(server.data().storage());
    const QString key = people.create(u"Busy"_s, false, &error)->apiKey;
    BenchHttp http;
    for (int round = 0; round < 10; ++round) {
        QByteArray body = syncBody(500);
        body.replace("00000000-0000-4000-8000-", "round-" + QByteArray::number(round) + '-');
        http.send("POST", url, key, body);
    }
    QJsonObject idle;
    idle.insert("pending"_L1, QJsonArray());
    idle.insert("new_clients"_L1, QJsonArray());
    idle.insert("since"_L1, QDateTime::currentDateTimeUtc().addSecs(60).toString(Qt::ISODate));
    const QByteArray idleBody = QJsonDocument(idle).toJson(QJsonDocument::Compact);
    for (auto _ : state)
        benchmark::DoNotOptimize(http.send("POST", url, key, idleBody));
}
BENCHMARK(BM_SyncNothingPending)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

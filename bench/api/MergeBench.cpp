#include "api/Api.h"
#include "api/SyncResponse.h"
#include "model/Db.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// A database of `count` entries, half of them known to the server, with
// `clients` clients.
Db makeDb(int count, int clients) {
    Db db;
    for (int c = 0; c < clients; ++c) {
        Client client;
        client.id = u"client-"_s + QString::number(c);
        client.serverId = c < clients / 2 ? std::optional<qint64>(1000 + c) : std::nullopt;
        client.name = u"Client "_s + QString::number(c);
        client.syncState = client.serverId ? Entry::synced : Entry::pending;
        db.clients.append(client);
    }
    for (int i = 0; i < count; ++i) {
        Entry e;
        e.id = u"local-"_s + QString::number(i);
        if (i % 2 == 0)
            e.serverId = i;
        e.clientId = u"client-"_s + QString::number(i % clients);
        e.description = u"Task number "_s + QString::number(i % 500);
        e.startedAt = u"2026-01-05T09:00:00Z"_s;
        e.endedAt = u"2026-01-05T10:00:00Z"_s;
        e.updatedAt = e.endedAt.value();
        e.syncState = i % 10 == 0 ? Entry::pending : Entry::synced;
        e.screenshots = QList<Screenshot>();
        db.entries.append(e);
    }
    return db;
}

// A reply: results for every pending entry, `count` server entries (half of
// them known locally), `clients` clients, a few deletions and tasks.
QByteArray makeReply(const Db& db, int count, int clients) {
    QJsonArray results;
    for (const Entry& e : db.entries) {
        if (e.syncState == Entry::pending)
            results.append(
                QJsonObject{{"ref"_L1, e.id}, {"server_id"_L1, 100000 + results.size()}});
    }
    QJsonArray clientList;
    for (int c = 0; c < clients; ++c) {
        clientList.append(QJsonObject{{"id"_L1, 1000 + c},
                                      {"name"_L1, u"client "_s + QString::number(c)},
                                      {"color"_L1, u"#22c55e"_s},
                                      {"archived"_L1, false}});
    }
    QJsonArray entries;
    for (int i = 0; i < count; ++i) {
        entries.append(QJsonObject{
            {"id"_L1, i * 2 < count ? i * 2 : 200000 + i},
            {"client_id"_L1, 1000 + i % clients},
            {"description"_L1, u"Server task "_s + QString::number(i)},
            {"started_at"_L1, u"2026-01-06T09:00:00Z"_s},
            {"ended_at"_L1, u"2026-01-06T10:00:00Z"_s},
            {"updated_at"_L1, u"2026-01-06T10:00:00Z"_s},
            {"screenshots"_L1, QJsonArray{u"uploads/2026/01/0123456789abcdef.png"_s}},
        });
    }
    QJsonArray deleted;
    for (int i = 1; i < 200; i += 2)
        deleted.append(i);
    QJsonArray tasks;
    for (int i = 0; i < 200; ++i)
        tasks.append(
            QJsonObject{{"description"_L1, u"Task "_s + QString::number(i)}, {"uses"_L1, i}});
    QJsonObject reply{{"ok"_L1, true},
                      {"results"_L1, results},
                      {"clients"_L1, clientList},
                      {"entries"_L1, entries},
                      {"deleted_entries"_L1, deleted},
                      {"tasks"_L1, tasks},
                      {"server_time"_L1, u"2026-01-06T10:00:00Z"_s}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

void BM_Merge(benchmark::State& state) {
    const Db base = makeDb(10000, 200);
    const std::optional<SyncResponse> reply = SyncResponse::decode(makeReply(base, 10000, 200));
    for (auto _ : state) {
        state.PauseTiming();
        Db db = base;
        state.ResumeTiming();
        Api::merge(*reply, db);
        benchmark::DoNotOptimize(db);
    }
}
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_DecodeReply(benchmark::State& state) {
    const QByteArray body = makeReply(makeDb(10000, 200), 10000, 200);
    for (auto _ : state)
        benchmark::DoNotOptimize(SyncResponse::decode(body));
}
BENCHMARK(BM_DecodeReply)
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

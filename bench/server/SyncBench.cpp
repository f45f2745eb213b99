#include "BenchHttp.h"
#include "PeopleAction.h"
#include "TrackingServer.h"
#include "api/Api.h"
#include "model/AppModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

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

// Every benchmark runs on SQLite (argument 0) and PostgreSQL (argument 1).
#define ON_BOTH_ENGINES(bench)                                                                     \
    BENCHMARK(bench)->Arg(0)->Arg(1)->ArgName("engine")->Unit(benchmark::kMillisecond)

bool openOrSkip(BenchServer& server, benchmark::State& state) {
    QString error;
    if (server.open(int(state.range(0)), &error))
        return true;
    state.SkipWithError(qPrintable(error));
    return false;
}

void BM_Sync500Pending(benchmark::State& state) {
    BenchServer server;
    if (!openOrSkip(server, state))
        return;
    const QString url = server.baseUrl() + u"/api.php?action=sync"_s;
    PeopleAction people(server.storage());
    const QByteArray body = syncBody(500);
    BenchHttp http;
    int person = 0;
    QString error;
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
ON_BOTH_ENGINES(BM_Sync500Pending)->Iterations(20)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_SyncNothingPending(benchmark::State& state) {
    // A device's regular sync once it has caught up: nothing pending, the
    // cursor a minute old, against a person with 5,000 entries.
    BenchServer server;
    if (!openOrSkip(server, state))
        return;
    QString error;
    const QString url = server.baseUrl() + u"/api.php?action=sync"_s;
    PeopleAction people(server.storage());
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
ON_BOTH_ENGINES(BM_SyncNothingPending)->Repetitions(3)->ReportAggregatesOnly(true);

// A new device of a person with 50,000 entries: its first sync end to end
// through the app's own sync, from the request to the stored local file.
void BM_FirstSync50000(benchmark::State& state) {
    BenchServer server;
    if (!openOrSkip(server, state))
        return;
    QString error;
    const auto person = PeopleAction(server.storage()).create(u"Busy"_s, false, &error);
    Storage& storage = server.storage();
    storage.begin();
    for (int i = 0; i < 50000; ++i) {
        const qint64 start = 1735718400 + qint64(i) * 3000;
        storage.insertEntry(ServerEntry{0,
                                        person->user.id,
                                        u"ref-%1"_s.arg(i),
                                        {},
                                        u"Task number %1"_s.arg(i % 300),
                                        start,
                                        start + 2400,
                                        start + 2400,
                                        {}});
    }
    storage.commit();
    qsizetype received = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir device;
        AppModel model(device.path());
        Api::connect(model);
        model.setSettings(server.baseUrl(), person->apiKey);
        state.ResumeTiming();
        std::optional<SyncSummary> summary;
        Api::sync(model.store(), &model, [&](const SyncSummary& s) { summary = s; });
        while (!summary)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        received = model.store().db().entries.size();
        if (summary->error || received != 50000) {
            state.SkipWithError("first sync failed");
            break;
        }
    }
    state.counters["entries"] = double(received);
}
ON_BOTH_ENGINES(BM_FirstSync50000)->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);

// 50 devices of 50 people syncing at once, each with 20 pending entries:
// the time each waits for its answer.
void BM_FiftyDevicesAtOnce(benchmark::State& state) {
    BenchServer server;
    if (!openOrSkip(server, state))
        return;
    QString error;
    QStringList keys;
    for (int p = 0; p < 50; ++p)
        keys.append(
            PeopleAction(server.storage()).create(u"Person %1"_s.arg(p), false, &error)->apiKey);
    // One network manager each: one of them keeps only six connections open.
    std::vector<std::unique_ptr<QNetworkAccessManager>> devices;
    for (int p = 0; p < 50; ++p)
        devices.push_back(std::make_unique<QNetworkAccessManager>());
    QList<double> waits;
    int round = 0;
    // One round of all devices; the waits go to `waits`.
    const auto syncAll = [&] {
        QByteArray body = syncBody(20);
        body.replace("00000000-0000-4000-8000-", "round-" + QByteArray::number(round++) + '-');
        int open = 0;
        for (int p = 0; p < 50; ++p) {
            QNetworkRequest request{QUrl(server.baseUrl() + u"/api.php?action=sync"_s)};
            request.setRawHeader("X-Api-Key", keys[p].toUtf8());
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
            QElapsedTimer timer;
            timer.start();
            QNetworkReply* reply = devices[p]->post(request, body);
            ++open;
            QObject::connect(reply, &QNetworkReply::finished, [&, reply, timer] {
                waits.append(double(timer.nsecsElapsed()) / 1e6);
                if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
                    state.SkipWithError("a sync failed");
                reply->deleteLater();
                --open;
            });
        }
        while (open > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    // The first round meets a server that has just started: every device
    // connects, each database connection prepares its statements, and all
    // devices create the same two clients at once. Reported on its own.
    syncAll();
    state.counters["first_round_max_ms"] = *std::max_element(waits.begin(), waits.end());
    waits.clear();
    for (auto _ : state)
        syncAll();
    std::sort(waits.begin(), waits.end());
    if (!waits.isEmpty()) {
        state.counters["p50_ms"] = waits[waits.size() / 2];
        state.counters["p99_ms"] = waits[std::min(waits.size() - 1, waits.size() * 99 / 100)];
    }
}
ON_BOTH_ENGINES(BM_FiftyDevicesAtOnce)->Iterations(5)->Repetitions(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

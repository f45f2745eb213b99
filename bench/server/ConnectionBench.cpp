#include "BenchHttp.h"
#include "GuardedTcpServer.h"
#include "PeopleAction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <algorithm>
#include <memory>
#include <vector>

#include <sys/resource.h>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// A device's regular sync: three entries tracked since the last one.
QByteArray regularSync(int round) {
    QJsonArray pending;
    for (int i = 0; i < 3; ++i) {
        QJsonObject e;
        e.insert("ref"_L1, u"round-%1-%2"_s.arg(round).arg(i));
        e.insert("description"_L1, u"Task number %1"_s.arg(i));
        e.insert("started_at"_L1, u"2025-03-0%1T09:00:00Z"_s.arg(1 + i));
        e.insert("ended_at"_L1, u"2025-03-0%1T10:30:00Z"_s.arg(1 + i));
        e.insert("screenshots"_L1, QJsonArray());
        pending.append(e);
    }
    QJsonObject body;
    body.insert("pending"_L1, pending);
    body.insert("new_clients"_L1, QJsonArray());
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

int openConnections(BenchServer& server) {
    int open = 0;
    for (const GuardedTcpServer* tcp : server.server().findChildren<GuardedTcpServer*>())
        open += tcp->openConnections();
    return open;
}

// Connections opened and left silent (as by clients that went away, or by
// someone holding places on purpose; none or 2,000) while a device syncs,
// each time over a new connection: the time it waits for its answer.
void BM_SyncBesideIdleConnections(benchmark::State& state) {
    const int idleCount = int(state.range(1));
    BenchServer server;
    QString error;
    if (!server.open(int(state.range(0)), &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    server.server().setMaxConnections(idleCount + 100);
    server.server().setIdleTimeout(std::chrono::hours(1));
    const QString key = PeopleAction(server.storage()).create(u"Busy"_s, false, &error)->apiKey;
    const QString url = server.baseUrl() + u"/api.php?action=sync"_s;
    const quint16 port = QUrl(url).port();

    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < idleCount; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    }
    QElapsedTimer waited;
    waited.start();
    while (openConnections(server) < idleCount && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    if (openConnections(server) < idleCount) {
        state.SkipWithError(
            qPrintable(u"only %1 idle connections were accepted"_s.arg(openConnections(server))));
        return;
    }

    QList<double> waits;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto http = std::make_unique<BenchHttp>(); // a new connection each time
        const QByteArray body = regularSync(round++);
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        const BenchHttp::Answer a = http->send("POST", url, key, body);
        waits.append(double(timer.nsecsElapsed()) / 1e6);
        if (a.status != 200) {
            state.SkipWithError("sync failed");
            break;
        }
    }
    std::sort(waits.begin(), waits.end());
    if (!waits.isEmpty()) {
        state.counters["p50_ms"] = waits[waits.size() / 2];
        state.counters["p99_ms"] = waits[std::min(waits.size() - 1, waits.size() * 99 / 100)];
        state.counters["max_ms"] = waits.last();
    }
    state.counters["idle_open"] = openConnections(server);
}
BENCHMARK(BM_SyncBesideIdleConnections)
    ->ArgsProduct({{0, 1}, {0, 2000}})
    ->ArgNames({"engine", "idle"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);

} // namespace

int main(int argc, char** argv) {
    // Both ends of every connection live in this process.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Load, save and change costs of a large local database, and how the store's
// load and save compare with a bare QJsonDocument parse and serialisation of
// the same bytes.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEVRA_BUILD_BENCH=ON
//   ninja -C build-bench StoreBench && build-bench/bench/model/StoreBench
//
// Counters: bare_ms is the bare JSON operation on the same bytes in the same
// iteration, x_bare the store's time divided by it. io_ms (save) is the bare
// serialisation plus the same atomic write the store does, x_io the ratio to that.

#include "model/AppModel.h"
#include "model/Store.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int entryCount = 10'000;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QString iso(qint64 secondsSinceEpoch) {
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC)
        .toString(u"yyyy-MM-dd'T'HH:mm:ss'Z'"_s);
}

QString uuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

// About two years of one person's work: several entries a day, clients, a
// screenshot on every tenth entry, a few still pending, a few tombstones.
Db realisticDb() {
    std::mt19937 random(20260105);
    const QStringList verbs = {u"Review"_s, u"Write"_s,  u"Fix"_s,     u"Plan"_s,  u"Design"_s,
                               u"Call"_s,   u"Update"_s, u"Prepare"_s, u"Debug"_s, u"Refactor"_s};
    const QStringList things = {
        u"quarterly report"_s,  u"invoice export"_s,     u"login flow"_s,
        u"onboarding emails"_s, u"database migration"_s, u"sprint backlog"_s,
        u"release notes"_s,     u"customer feedback"_s,  u"payment webhook"_s,
        u"dashboard charts"_s,  u"API documentation"_s,  u"team retrospective"_s};

    Db db;
    db.settings.server = u"https://tikit.example.test"_s;
    db.settings.apiKey = u"4f9c2a7e1b3d5f6a8c0e2d4b6a8f0c1e"_s;
    db.settings.userName = u"Ada Lovelace"_s;
    db.settings.userId = 7;
    db.settings.lastSync = u"2026-01-05T09:00:00Z"_s;

    for (int i = 0; i < 24; ++i) {
        Client c;
        c.id = i < 20 ? u"srv"_s + QString::number(100 + i) : uuid();
        if (i < 20)
            c.serverId = 100 + i;
        c.name = u"Client %1 GmbH"_s.arg(i);
        c.color = u"#%1"_s.arg(random() % 0xffffff, 6, 16, QChar(u'0'));
        c.archived = i % 7 == 6;
        c.syncState = i < 20 ? u"synced"_s : u"pending"_s;
        db.clients.append(c);
    }

    qint64 start = QDateTime(QDate(2024, 1, 8), QTime(8, 0), Qt::UTC).toSecsSinceEpoch();
    for (int i = 0; i < entryCount; ++i) {
        Entry e;
        const bool synced = i < entryCount - 40;
        e.id = synced ? u"srv"_s + QString::number(5000 + i) : uuid();
        if (synced)
            e.serverId = 5000 + i;
        if (random() % 10 != 0)
            e.clientId = db.clients[int(random() % db.clients.size())].id;
        e.description = verbs[int(random() % verbs.size())] + u' ' +
                        things[int(random() % things.size())] + u" #"_s +
                        QString::number(random() % 400);
        const qint64 length = 600 + qint64(random() % 7200);
        e.startedAt = iso(start);
        e.endedAt = iso(start + length);
        QList<Screenshot> shots;
        if (i % 10 == 0) {
            const int n = 1 + int(random() % 3);
            for (int k = 0; k < n; ++k) {
                Screenshot s;
                s.server = u"2025/%1/%2.png"_s.arg(1 + k, 2, 10, QChar(u'0'))
                               .arg(QString::number(random(), 16) + QString::number(random(), 16));
                if (!synced || k == 0)
                    s.file = uuid() + u".png"_s;
                shots.append(s);
            }
        }
        e.screenshots = shots;
        e.updatedAt = e.endedAt.value();
        e.syncState = synced ? u"synced"_s : u"pending"_s;
        e.deleted = synced && i % 500 == 499;
        db.entries.append(e);
        start += length + 300 + qint64(random() % 3600);
        if (i % 6 == 5)
            start += 14 * 3600; // next day
    }

    for (int i = 0; i < 200; ++i) {
        TaskSuggestion t;
        t.description = verbs[i % verbs.size()] + u' ' + things[i % things.size()];
        t.uses = 200 - i;
        t.lastUsed = u"2026-01-04T17:00:00Z"_s;
        t.clientId = 100 + i % 20;
        t.clientName = u"Client %1 GmbH"_s.arg(i % 20);
        t.clientColor = u"#f97316"_s;
        db.tasks.append(t);
    }
    return db;
}

// One data folder holding the saved database, shared by every benchmark.
struct Fixture {
    QTemporaryDir dir;
    QString dataDir;
    QByteArray bytes;

    Fixture() {
        dataDir = dir.path() + u"/org.zevra.tikit"_s;
        Store store(dataDir);
        store.db() = realisticDb();
        store.save();
        QFile file(store.dbPath());
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the benchmark database was not written");
        bytes = file.readAll();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_StoreLoad(benchmark::State& state) {
    Fixture& f = fixture();
    double storeTotal = 0, bareTotal = 0;
    for (auto _ : state) {
        const Clock::time_point bareStart = Clock::now();
        {
            const QJsonDocument doc = QJsonDocument::fromJson(f.bytes);
            benchmark::DoNotOptimize(doc.isObject());
        }
        const double bare = secondsSince(bareStart);

        const Clock::time_point storeStart = Clock::now();
        Store store(f.dataDir);
        benchmark::DoNotOptimize(store.db().entries.size());
        const double elapsed = secondsSince(storeStart);
        if (store.db().entries.size() != entryCount)
            state.SkipWithError("the database did not load");

        state.SetIterationTime(elapsed);
        storeTotal += elapsed;
        bareTotal += bare;
    }
    state.counters["bare_ms"] = bareTotal * 1e3 / double(state.iterations());
    state.counters["x_bare"] = storeTotal / bareTotal;
    state.counters["MB"] = double(f.bytes.size()) / 1e6;
}

void BM_StoreSave(benchmark::State& state) {
    Fixture& f = fixture();
    Store store(f.dataDir);
    const QJsonDocument parsed = QJsonDocument::fromJson(f.bytes);
    const QString ioPath = f.dir.path() + u"/bare.json"_s;
    double storeTotal = 0, bareTotal = 0, ioTotal = 0;
    for (auto _ : state) {
        const Clock::time_point bareStart = Clock::now();
        const QByteArray out = parsed.toJson(QJsonDocument::Indented);
        benchmark::DoNotOptimize(out.size());
        const double bare = secondsSince(bareStart);
        QSaveFile file(ioPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
            state.SkipWithError("the bare write failed");
        const double io = secondsSince(bareStart);

        const Clock::time_point storeStart = Clock::now();
        store.save();
        const double elapsed = secondsSince(storeStart);

        state.SetIterationTime(elapsed);
        storeTotal += elapsed;
        bareTotal += bare;
        ioTotal += io;
    }
    state.counters["bare_ms"] = bareTotal * 1e3 / double(state.iterations());
    state.counters["x_bare"] = storeTotal / bareTotal;
    state.counters["io_ms"] = ioTotal * 1e3 / double(state.iterations());
    state.counters["x_io"] = storeTotal / ioTotal;
}

// The parts of a save, to see where its time goes.
void BM_EncodeOnly(benchmark::State& state) {
    Store store(fixture().dataDir);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.db().encode().size());
}

void BM_DecodeOnly(benchmark::State& state) {
    const QByteArray& bytes = fixture().bytes;
    for (auto _ : state)
        benchmark::DoNotOptimize(Db::decode(bytes).has_value());
}

// A timer start on the large database: stops the running entry, appends the
// new one, saves the whole file and notifies.
void BM_Start(benchmark::State& state) {
    AppModel model(fixture().dataDir);
    int changes = 0;
    model.setOnChange([&changes] { ++changes; });
    int n = 0;
    for (auto _ : state) {
        const Clock::time_point begin = Clock::now();
        model.start(u"Benchmark task %1"_s.arg(++n), u"srv101"_s);
        state.SetIterationTime(secondsSince(begin));
    }
    if (changes != n)
        state.SkipWithError("not every start was a change");
}

// Stopping the running entry on the large database, including the save.
void BM_Stop(benchmark::State& state) {
    AppModel model(fixture().dataDir);
    model.start(u"Benchmark task"_s, std::nullopt);
    for (auto _ : state) {
        const std::optional<Entry> running = model.running();
        const Clock::time_point begin = Clock::now();
        model.stop(*running);
        state.SetIterationTime(secondsSince(begin));

        // Back to a running entry for the next round, outside the measurement.
        Entry again = *running;
        again.endedAt.reset();
        model.store().db().entries.last() = again;
    }
}

} // namespace

BENCHMARK(BM_StoreLoad)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreSave)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Start)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stop)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qunsetenv("ZEVRA_NO_SAVE");
    // Medians of nine runs unless the command line says otherwise (later
    // flags win).
    std::vector<char*> args{argv[0], const_cast<char*>("--benchmark_repetitions=9"),
                            const_cast<char*>("--benchmark_report_aggregates_only=true")};
    args.insert(args.end(), argv + 1, argv + argc);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

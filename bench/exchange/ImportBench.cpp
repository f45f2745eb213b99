// Importing 10,000 Timewarrior intervals into a database of 10,000 entries:
// reading the export, planning (clients, ids, what is already there), and
// the one save. Target: under 2 s and 100 MB at the peak.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEVRA_BUILD_BENCH=ON
//   ninja -C build-bench ImportBench && build-bench/bench/exchange/ImportBench

#include "exchange/Importer.h"
#include "model/AppModel.h"
#include "model/Time.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int count = 10'000;

QString stamp(const QDateTime& t) {
    return t.toString(u"yyyyMMdd'T'HHmmss'Z'"_s);
}

void BM_ImportTimewarrior(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QDateTime first(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC);
        {
            AppModel seed(dir.path() + u"/data"_s);
            QList<Entry> entries;
            for (int i = 0; i < count; ++i) {
                Entry e;
                e.id = u"seed-%1"_s.arg(i);
                e.description = u"Earlier work %1"_s.arg(i % 50);
                e.startedAt = Time::iso(first.addSecs(qint64(i) * 7200));
                e.endedAt = Time::iso(first.addSecs(qint64(i) * 7200 + 3600));
                entries.append(e);
            }
            seed.addImported({}, entries);
        }
        QJsonArray intervals;
        for (int i = 0; i < count; ++i) {
            const QDateTime start = first.addSecs(qint64(i) * 7200 + 3600);
            intervals.append(QJsonObject{{"start"_L1, stamp(start)},
                                         {"end"_L1, stamp(start.addSecs(1800))},
                                         {"tags"_L1, QJsonArray{u"project %1"_s.arg(i % 40)}}});
        }
        const QString path = dir.path() + u"/export.json"_s;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(intervals).toJson(QJsonDocument::Compact));
        file.close();
        AppModel model(dir.path() + u"/data"_s);
        state.ResumeTiming();

        const Importer::Outcome outcome = Importer::importFile(model, path, {}, u"Acme"_s, false);

        state.PauseTiming();
        if (outcome.error || model.store().db().entries.size() != 2 * count)
            state.SkipWithError("the import did not add every interval");
        state.ResumeTiming();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

} // namespace

BENCHMARK(BM_ImportTimewarrior)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

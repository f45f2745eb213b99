// The panel's cost: building the controller and reloading it over a large
// database (300 listed entries of 10,000), and one tick of the live figures.

#include "model/AppModel.h"
#include "model/ManualClock.h"
#include "model/Time.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/PopoverViewController.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QDateTime start(QDate(2026, 3, 2), QTime(15, 0), Qt::UTC);

// 10,000 entries over about 200 days, a few per day with repeated texts so
// the newest 300 form days, groups and single rows; the newest one runs.
void fill(Db& db) {
    db.settings.apiKey = QStringLiteral("k");
    for (int i = 0; i < 12; ++i) {
        Client c;
        c.id = QStringLiteral("c%1").arg(i);
        c.name = QStringLiteral("Client %1").arg(i);
        c.color = QStringLiteral("#22c55e");
        db.clients.append(c);
    }
    const QStringList texts = {QStringLiteral("Report writing"), QStringLiteral("Standup"),
                               QStringLiteral("Code review"), QStringLiteral("Support tickets"),
                               QStringLiteral("Planning")};
    db.entries.reserve(10'000);
    for (int i = 0; i < 10'000; ++i) {
        Entry e;
        e.id = QStringLiteral("e%1").arg(i);
        const QDateTime from = start.addSecs(-qint64(10'000 - i) * 1700);
        e.startedAt = Time::iso(from);
        if (i != 9'999)
            e.endedAt = Time::iso(from.addSecs(1500));
        e.description = texts[(i / 2) % texts.size()];
        e.clientId = QStringLiteral("c%1").arg((i / 2) % 12);
        e.syncState = i % 7 == 0 ? Entry::pending : Entry::synced;
        db.entries.append(e);
    }
}

struct Fixture {
    QTemporaryDir dir;
    ManualClock clock{start};
    std::unique_ptr<AppModel> model;

    Fixture() {
        Clock::install(&clock);
        model = std::make_unique<AppModel>(dir.path());
        fill(model->store().db());
    }
    ~Fixture() { Clock::install(nullptr); }
};

void dropDeferred() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_BuildAndReload(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        auto controller = std::make_unique<PopoverViewController>(f.model.get());
        controller->reload();
        benchmark::DoNotOptimize(controller->findChild<EntryListView*>()->rowViews().size());
        state.PauseTiming();
        controller.reset();
        dropDeferred();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildAndReload)->Unit(benchmark::kMillisecond);

// The same, shown and laid out once, as the panel is when it opens.
void BM_BuildReloadAndShow(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        auto controller = std::make_unique<PopoverViewController>(f.model.get());
        controller->reload();
        controller->show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        benchmark::DoNotOptimize(controller->findChild<EntryListView*>()->rowViews().size());
        state.PauseTiming();
        controller.reset();
        dropDeferred();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildReloadAndShow)->Unit(benchmark::kMillisecond);

// A reload of an open panel: the list is rebuilt whole.
void BM_Reload(benchmark::State& state) {
    Fixture f;
    PopoverViewController controller(f.model.get());
    controller.reload();
    for (auto _ : state) {
        controller.reload();
        state.PauseTiming();
        dropDeferred();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Reload)->Unit(benchmark::kMillisecond);

void BM_LiveTick(benchmark::State& state) {
    Fixture f;
    PopoverViewController controller(f.model.get());
    controller.reload();
    controller.show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const EntryListView* list = controller.findChild<EntryListView*>();
    if (list->liveDurationLabels().isEmpty() && list->liveTotals().isEmpty())
        state.SkipWithError("no running figures");
    for (auto _ : state) {
        f.clock.advance(1000);
        controller.updateLiveTime();
    }
    state.counters["rows built"] = list->rowsBuilt();
}
BENCHMARK(BM_LiveTick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

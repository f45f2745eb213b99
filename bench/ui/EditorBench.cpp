// Opening the details card from a row of a full list (300 listed entries of
// 10,000): the editor is built, the card measured, placed and shown.

#include "model/AppModel.h"
#include "model/ManualClock.h"
#include "model/Time.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/ListRow.h"
#include "ui/panel/PopoverViewController.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QDateTime start(QDate(2026, 3, 2), QTime(15, 0), Qt::UTC);

void fill(Db& db) {
    db.settings.server = QStringLiteral("http://127.0.0.1:8080");
    db.settings.apiKey = QStringLiteral("k");
    for (int i = 0; i < 12; ++i)
        db.clients.append(Client{QStringLiteral("c%1").arg(i), std::nullopt,
                                 QStringLiteral("Client %1").arg(i), QStringLiteral("#22c55e")});
    db.entries.reserve(10'000);
    for (int i = 0; i < 10'000; ++i) {
        Entry e;
        e.id = QStringLiteral("e%1").arg(i);
        const QDateTime from = start.addSecs(-qint64(10'000 - i) * 1700);
        e.startedAt = Time::iso(from);
        e.endedAt = Time::iso(from.addSecs(1500));
        e.description = QStringLiteral("Entry %1").arg(i);
        e.clientId = QStringLiteral("c%1").arg(i % 12);
        db.entries.append(e);
    }
}

void BM_OpenCard(benchmark::State& state) {
    QTemporaryDir dir;
    ManualClock clock{start};
    Clock::install(&clock);
    {
        AppModel model(dir.path());
        fill(model.store().db());
        PopoverViewController controller(&model);
        controller.resize(380, 620);
        controller.reload();
        controller.show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QList<ListRow*> rows = controller.findChild<EntryListView*>()->rowViews();
        state.counters["rows"] = double(rows.size());
        QWidget* row = rows.value(rows.size() / 2)->widget();
        const Entry& entry = model.store().db().entries[10'000 - rows.size() / 2 - 1];
        for (auto _ : state) {
            controller.openEditor(entry, row);
            benchmark::DoNotOptimize(controller.detailsWindow());
            state.PauseTiming();
            // Closing reloads the list and so gives new rows.
            controller.closeEditor();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            row =
                controller.findChild<EntryListView*>()->rowViews().value(rows.size() / 2)->widget();
            state.ResumeTiming();
        }
    }
    Clock::install(nullptr);
}
BENCHMARK(BM_OpenCard)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

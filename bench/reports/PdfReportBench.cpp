// The PDF report at its largest expected size: 1,000 rows, 100 of them with
// six full-HD screenshots each. Targets: under 2 s, under 300 MB peak memory,
// a file under 15 MB.
//
//   build-bench/bench/reports/PdfReportBench --benchmark_repetitions=5

#include "model/Time.h"
#include "reports/PDFReport.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int rowCount = 1000;
constexpr int rowsWithShots = 100;
constexpr int shotsPerRow = 6;

// A screenshot-like picture: a window with a title bar, a side bar, lines of
// text, a chart and a photo-like gradient with some grain.
QImage screenshot(int seed) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    QRandomGenerator random(quint32(seed) * 7919u + 1);
    QPainter p(&image);
    p.fillRect(image.rect(), QColor::fromHsv((seed * 53) % 360, 30, 245));
    p.fillRect(QRect(0, 0, 1920, 36), QColor(40, 40, 48));
    p.fillRect(QRect(0, 36, 280, 1044), QColor::fromHsv((seed * 53 + 180) % 360, 60, 90));
    p.setPen(Qt::white);
    p.setFont(QFont(u"DejaVu Sans"_s, 13));
    for (int i = 0; i < 30; ++i)
        p.drawText(QPoint(24, 80 + i * 32), u"Item %1 of the list"_s.arg(i + seed));
    p.setPen(QColor(30, 30, 30));
    for (int i = 0; i < 40; ++i) {
        QString line;
        for (int w = 0; w < 12; ++w)
            line += QString::number(random.bounded(100000)) + u" lorem "_s;
        p.drawText(QPoint(320, 80 + i * 24), line);
    }
    for (int b = 0; b < 24; ++b) {
        const int h = int(random.bounded(300));
        p.fillRect(QRect(1100 + b * 32, 1040 - h, 24, h), QColor::fromHsv(b * 15, 180, 220));
    }
    QLinearGradient g(QPointF(320, 620), QPointF(1060, 1040));
    g.setColorAt(0, QColor::fromHsv((seed * 97) % 360, 200, 230));
    g.setColorAt(1, QColor::fromHsv((seed * 97 + 120) % 360, 160, 80));
    p.fillRect(QRect(320, 620, 740, 420), g);
    p.end();
    for (int y = 620; y < 1040; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 320; x < 1060; ++x) {
            const int n = int(random.bounded(17)) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255),
                           qBound(0, qBlue(c) + n, 255));
        }
    }
    return image;
}

Report bigReport() {
    const QStringList clients{u"Acme"_s,  u"Globex"_s, u"Initech"_s, u"Umbrella"_s,
                              u"Hooli"_s, u"Stark"_s,  u"Wayne"_s,   u"Tyrell"_s};
    Report r;
    r.from = u"2026-01-01T00:00:00Z"_s;
    r.to = u"2027-01-01T00:00:00Z"_s;
    const QDateTime first(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < rowCount; ++i) {
        ReportEntry e;
        e.id = i + 1;
        e.userName = u"Ana"_s;
        e.clientName = clients[i % clients.size()];
        e.clientColor = QColor::fromHsv((i % clients.size()) * 45, 180, 220).name();
        e.description = i % 7 == 0
                            ? u"Long task: "_s + QString(u"reviewed and fixed "_s).repeated(12)
                            : u"Task number %1"_s.arg(i);
        e.startedAt = Time::iso(first.addSecs(qint64(i) * 9000));
        e.duration = 1800 + (i % 5) * 600;
        r.total += *e.duration;
        r.entries.append(e);
    }
    return r;
}

void peakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_PdfReport1000RowsWithScreenshots(benchmark::State& state) {
    const Report report = bigReport();
    // Six distinct pictures per row, shared between rows as decoded images
    // would be; each drawn thumbnail is still embedded on its own.
    QList<QImage> pictures;
    for (int i = 0; i < shotsPerRow; ++i)
        pictures.append(screenshot(i));
    PDFReport::Screenshots shots;
    for (int i = 0; i < rowsWithShots; ++i)
        shots.insert(report.entries[i * (rowCount / rowsWithShots)].id, pictures);
    const PDFReport::Meta meta{u"Detailed report"_s, u"01/01/2026 - 31/12/2026"_s,
                               u"Clients: 8 selected"_s};

    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray pdf = PDFReport::data(report, meta, shots);
        bytes = pdf.size();
        benchmark::DoNotOptimize(pdf.constData());
    }
    state.counters["file_MB"] = double(bytes) / (1024.0 * 1024.0);
    peakMemory(state);
}
BENCHMARK(BM_PdfReport1000RowsWithScreenshots)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_PdfReport1000RowsNoScreenshots(benchmark::State& state) {
    const Report report = bigReport();
    const PDFReport::Meta meta{u"Detailed report"_s, u"01/01/2026 - 31/12/2026"_s, {}};
    for (auto _ : state)
        benchmark::DoNotOptimize(PDFReport::data(report, meta, {}).size());
    peakMemory(state);
}
BENCHMARK(BM_PdfReport1000RowsNoScreenshots)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_Thumbnail(benchmark::State& state) {
    const QImage image = screenshot(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(PDFReport::thumbnail(image).constBits());
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

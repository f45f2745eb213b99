#include "reports/PDFReport.h"

#include "model/Clock.h"
#include "model/Colors.h"
#include "model/Time.h"
#include "reports/PdfLayout.h"
#include "reports/PdfPagePainter.h"
#include "reports/PdfStyle.h"
#include "reports/PdfText.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Whole seconds from `start` to `now`, at least 0; 0 when the start cannot be read.
qint64 elapsed(const QString& startedAt, const QDateTime& now) {
    const std::optional<QDateTime> start = Time::parse(startedAt);
    if (!start)
        return 0;
    return std::max<qint64>(0, start->secsTo(now));
}

// The seconds an entry counts with: its duration, or while it runs the time
// since its start.
qint64 entrySeconds(const ReportEntry& entry, const QDateTime& now) {
    if (entry.duration)
        return *entry.duration;
    return elapsed(entry.startedAt, now);
}

qint64 sortKey(const ReportEntry& entry) {
    const std::optional<QDateTime> start = Time::parse(entry.startedAt);
    return start ? start->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

} // namespace

QList<PDFReport::Row> PDFReport::buildRows(const Report& report, const Screenshots& screenshots,
                                           const QDateTime& now) {
    QList<const ReportEntry*> sorted;
    sorted.reserve(report.entries.size());
    for (const ReportEntry& e : report.entries)
        sorted.append(&e);
    std::stable_sort(sorted.begin(), sorted.end(), [](const ReportEntry* a, const ReportEntry* b) {
        return sortKey(*a) < sortKey(*b);
    });

    const PdfStyle style;
    QList<Row> rows;
    rows.reserve(sorted.size());
    for (const ReportEntry* e : sorted) {
        Row row;
        const QString trimmed = e->description.trimmed();
        row.desc = trimmed.isEmpty() ? u"(no description)"_s : trimmed;
        row.descColor = trimmed.isEmpty() ? style.sub : style.ink;
        if (e->clientName && !e->clientName->isEmpty())
            row.client = *e->clientName;
        if (e->clientColor)
            row.clientColor = colorFromHex(*e->clientColor);
        row.duration = Time::hms(double(entrySeconds(*e, now)));
        row.shots = screenshots.value(e->id).mid(0, PdfLayout::maxShots);
        rows.append(std::move(row));
    }
    return rows;
}

qint64 PDFReport::totalSeconds(const Report& report, const QDateTime& now) {
    if (report.entries.isEmpty())
        return report.total;
    qint64 sum = 0;
    for (const ReportEntry& e : report.entries)
        sum += entrySeconds(e, now);
    return sum > 0 ? sum : report.total;
}

double PDFReport::averageDailyHours(const Report& report, qint64 total) {
    QSet<QString> days;
    for (const ReportEntry& e : report.entries)
        days.insert(e.startedAt.left(10));
    if (days.isEmpty() || total < 1)
        return 0;
    return double(total) / double(days.size()) / 3600.0;
}

QList<PDFReport::Slice> PDFReport::pieSlices(const Report& report, const QDateTime& now) {
    QList<ReportBucket> buckets;
    for (const ReportBucket& b : report.grouped.client) {
        if (b.seconds > 0)
            buckets.append(b);
    }
    if (buckets.isEmpty()) {
        QHash<QString, qsizetype> index;
        for (const ReportEntry& e : report.entries) {
            const QString key = e.clientName.value_or(u"No client"_s);
            auto it = index.constFind(key);
            if (it == index.constEnd()) {
                it = index.insert(key, buckets.size());
                buckets.append(ReportBucket{key, 0});
            }
            buckets[*it].seconds += entrySeconds(e, now);
        }
        std::stable_sort(
            buckets.begin(), buckets.end(),
            [](const ReportBucket& a, const ReportBucket& b) { return a.seconds > b.seconds; });
    }

    QHash<QString, QColor> colors;
    for (const ReportEntry& e : report.entries) {
        if (!e.clientName || !e.clientColor)
            continue;
        if (const std::optional<QColor> c = colorFromHex(*e.clientColor))
            colors.insert(*e.clientName, *c);
    }

    constexpr qsizetype shown = 6;
    QList<Slice> slices;
    for (qsizetype i = 0; i < std::min(shown, buckets.size()); ++i) {
        const ReportBucket& b = buckets[i];
        slices.append(Slice{b.name, b.seconds, colors.value(b.name, PdfStyle::palette(i))});
    }
    if (buckets.size() > shown) {
        qint64 rest = 0;
        for (qsizetype i = shown; i < buckets.size(); ++i)
            rest += buckets[i].seconds;
        if (rest >= 1)
            slices.append(Slice{u"Other"_s, rest, PdfStyle().otherSlice});
    }
    return slices;
}

QImage PDFReport::thumbnail(const QImage& image) {
    // Twice the cell: sharp when printed or zoomed, small in the file.
    const QSize box(int(std::ceil(2 * PdfLayout::thumbWidth)),
                    int(std::ceil(2 * PdfLayout::thumbHeight)));
    if (image.isNull() || (image.width() <= box.width() && image.height() <= box.height()))
        return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QByteArray PDFReport::data(const Report& report, const Meta& meta, const Screenshots& screenshots) {
    const QDateTime now = Clock::now();
    const PdfStyle style;

    PdfDocument doc(report, meta);
    doc.rows = buildRows(report, screenshots, now);
    doc.descs.reserve(size_t(doc.rows.size()));
    doc.clients.reserve(size_t(doc.rows.size()));
    QList<double> heights;
    heights.reserve(doc.rows.size());
    for (const Row& row : doc.rows) {
        doc.descs.emplace_back(row.desc, TextStyle{.font = style.cellFont, .color = row.descColor},
                               PdfLayout::descWidth);
        doc.clients.push_back(PdfPagePainter::clientCell(row, style));
        // A client name that wraps makes its row taller instead of running
        // into the next one.
        const double text = std::max(doc.descs.back().height(), doc.clients.back().height());
        doc.textHeights.append(text);
        heights.append(PdfLayout::rowHeight(text, row.shots.size()));
    }
    doc.rowHeights = heights;
    doc.geometry = PdfLayout::firstPage(
        PdfText::lineHeight(style.titleFont), PdfText::lineHeight(style.periodFont),
        PdfText::lineHeight(style.tableTitleFont), meta.filters && !meta.filters->isEmpty());
    const QList<PagePlan> plans = PdfLayout::paginate(heights, doc.geometry.rowsTop);
    doc.total = totalSeconds(report, now);
    doc.avgHours = averageDailyHours(report, doc.total);
    doc.slices = pieSlices(report, now);
    doc.pageCount = int(plans.size());

    QBuffer buffer;
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    QPdfWriter writer(&buffer);
    writer.setCreator(u"Zevra Tikit"_s);
    writer.setTitle(meta.title);
    writer.setResolution(72);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Point));

    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    PdfPagePainter pages(painter, style, doc);
    for (qsizetype i = 0; i < plans.size(); ++i) {
        if (i > 0 && !writer.newPage()) {
            painter.end();
            return {};
        }
        pages.drawPage(plans[i], int(i));
    }
    if (!painter.end())
        return {};
    return buffer.data();
}

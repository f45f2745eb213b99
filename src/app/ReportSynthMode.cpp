#include "app/ReportSynthMode.h"

#include "app/DiagnosticOutput.h"
#include "model/Time.h"
#include "reports/ReportFile.h"

#include <QPainter>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Sample {
    const char* description;
    const char* client;
    const char* color;
};

constexpr Sample samples[] = {
    {"Sprint planning and backlog grooming", "Acme Corp", "#3b82f6"},
    {"Fix login redirect on the customer portal", "Globex", "#22c55e"},
    {"Design review of the onboarding screens", "Initech", "#f97316"},
    {"Write release notes", "Acme Corp", "#3b82f6"},
    {"Support call with the finance team", "Globex", "#22c55e"},
    {"Refactor the invoice export", "Initech", "#f97316"},
};

const QString longDescription = QStringLiteral(
    "Migrated the reporting pipeline to the new storage layer, rewrote the nightly "
    "aggregation job so that it processes each customer in its own transaction, added "
    "retries with back-off for the upstream API, documented the rollout plan with the "
    "operations team and verified the totals against last month's invoices line by line.");

constexpr double hues[] = {0.05, 0.5, 0.6, 0.1, 0.3, 0.7, 0.9};
constexpr qint64 entrySeconds = 7200;

} // namespace

QImage ReportSynthMode::fakeImage(double hue) {
    QImage image(160, 100, QImage::Format_RGB32);
    image.fill(QColor::fromHsvF(float(hue), 0.55f, 0.95f));
    QPainter painter(&image);
    painter.fillRect(QRect(40, 25, 80, 50), Qt::white);
    return image;
}

Report ReportSynthMode::report(qint64 count) {
    count = std::clamp<qint64>(count, 0, maxCount);
    Report report;
    report.from = u"2026-01-01T00:00:00Z"_s;
    report.to = u"2027-01-01T00:00:00Z"_s;
    QHash<QString, qint64> perClient;
    QStringList clientOrder;
    QHash<QString, qint64> perDay;
    QStringList dayOrder;
    const QDateTime first(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC);
    for (qint64 i = 0; i < count; ++i) {
        const Sample& sample = samples[i % std::size(samples)];
        ReportEntry e;
        e.id = i + 1;
        e.userName = u"Admin"_s;
        e.clientName = QString::fromLatin1(sample.client);
        e.clientColor = QString::fromLatin1(sample.color);
        e.description = i % 5 == 2 ? longDescription : QString::fromLatin1(sample.description);
        // Four entries a working day, two hours each.
        const QDateTime start = first.addDays(i / 4).addSecs((i % 4) * entrySeconds);
        e.startedAt = Time::iso(start);
        e.endedAt = Time::iso(start.addSecs(entrySeconds));
        e.duration = entrySeconds;
        report.entries.append(e);
        report.total += entrySeconds;

        if (!perClient.contains(*e.clientName))
            clientOrder.append(*e.clientName);
        perClient[*e.clientName] += entrySeconds;
        const QString day = e.startedAt.left(10);
        if (!perDay.contains(day))
            dayOrder.append(day);
        perDay[day] += entrySeconds;
    }
    if (count > 0)
        report.grouped.user.append(ReportBucket{u"Admin"_s, report.total});
    for (const QString& name : clientOrder)
        report.grouped.client.append(ReportBucket{name, perClient.value(name)});
    for (const QString& day : dayOrder)
        report.grouped.day.append(ReportBucket{day, perDay.value(day)});
    return report;
}

PDFReport::Screenshots ReportSynthMode::screenshots(const Report& report) {
    PDFReport::Screenshots shots;
    for (qsizetype i = 0; i < report.entries.size(); ++i) {
        // Every third row, with one to seven images.
        if (i % 3 != 1)
            continue;
        const qsizetype count = 1 + (i / 3) % std::size(hues);
        QList<QImage> images;
        for (qsizetype k = 0; k < count; ++k)
            images.append(fakeImage(hues[(i + k) % std::size(hues)]));
        shots.insert(report.entries[i].id, images);
    }
    return shots;
}

PDFReport::Meta ReportSynthMode::meta() {
    return PDFReport::Meta{u"Detailed report"_s, u"01/01/2026 - 31/12/2026"_s,
                           u"Clients: 3 selected"_s};
}

int ReportSynthMode::run(const QByteArray& count, const QString& path) {
    bool ok = false;
    const qint64 n = std::clamp<qint64>(count.trimmed().toLongLong(&ok), 0, maxCount);
    if (!ok)
        return 1;
    const Report synthetic = report(n);
    const QByteArray pdf = PDFReport::data(synthetic, meta(), screenshots(synthetic));
    if (const std::optional<QString> error = ReportFile::write(path, pdf)) {
        std::fprintf(stderr, "zevra-tikit: %s: %s\n", qPrintable(path), qPrintable(*error));
        return 1;
    }
    DiagnosticOutput::line(u"synth entries: "_s + QString::number(n) + u"  pdf: "_s +
                           QString::number(pdf.size()) + u" bytes -> "_s + path);
    return 0;
}

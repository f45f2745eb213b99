#pragma once

#include "reports/Report.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

// The printable A4 report: a header, a summary box, a ring chart of the time
// per client with its legend, and the paginated table of entries with optional
// screenshot thumbnails, with a footer on every page.
namespace PDFReport {

// The header texts, made by the caller.
struct Meta {
    QString title;
    // For example "01/01/2026 - 31/12/2026".
    QString period;
    // One line about the people and client filters; absent or empty shows no chip.
    std::optional<QString> filters;
};

// One table row, prepared before drawing.
struct Row {
    // The trimmed description, or "(no description)" in the secondary colour.
    QString desc;
    QColor descColor;
    std::optional<QString> client;
    std::optional<QColor> clientColor;
    // "h:mm:ss".
    QString duration;
    // At most six.
    QList<QImage> shots;
};

// One slice of the ring chart.
struct Slice {
    QString name;
    qint64 seconds = 0;
    QColor color;

    bool operator==(const Slice&) const = default;
};

// One page: the half-open range [begin, end) of row indices drawn on it.
struct PagePlan {
    qsizetype begin = 0;
    qsizetype end = 0;
    bool first = false;

    qsizetype size() const { return end - begin; }
    bool operator==(const PagePlan&) const = default;
};

using Screenshots = QHash<qint64, QList<QImage>>;

// The whole document; empty when the PDF cannot be made. Entries that still
// run count until Clock::now().
QByteArray data(const Report& report, const Meta& meta, const Screenshots& screenshots);

// The steps of data(), exposed for tests. `now` measures running entries.
QList<Row> buildRows(const Report& report, const Screenshots& screenshots, const QDateTime& now);
qint64 totalSeconds(const Report& report, const QDateTime& now);
double averageDailyHours(const Report& report, qint64 total);
QList<Slice> pieSlices(const Report& report, const QDateTime& now);

// A copy of `image` no larger than about twice the size it is drawn at in a
// thumbnail cell, or the image itself when it is already that small.
QImage thumbnail(const QImage& image);

} // namespace PDFReport

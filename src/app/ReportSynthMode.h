#pragma once

#include "reports/PDFReport.h"

#include <QImage>
#include <QString>

// ZEVRA_REPORT_SYNTH=n with ZEVRA_REPORT_TEST=path: a report of n made-up
// entries rendered to a PDF, without the server. Shows wrapping of long
// descriptions, thumbnails and pagination.
class ReportSynthMode {
public:
    // Runs the mode with the raw switch values.
    static int run(const QByteArray& count, const QString& path);

    // The made-up report with `count` rows (none for a count below 1).
    static Report report(qint64 count);
    // Screenshots for some of its rows.
    static PDFReport::Screenshots screenshots(const Report& report);
    // A 160 x 100 image of one hue with a white 80 x 50 rectangle inside.
    static QImage fakeImage(double hue);
    // The header texts of the made-up report.
    static PDFReport::Meta meta();

    // More rows than this are not made up.
    static constexpr qint64 maxCount = 100000;
};

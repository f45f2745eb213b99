#pragma once

#include "reports/Report.h"

#include <QByteArray>
#include <QString>
#include <QTimeZone>

// A report as a spreadsheet reads it: one row per entry under the header
// Date,Start,End,Duration,Hours,Description,Client,Person; times in `zone`;
// UTF-8 with a byte-order mark, CRLF line ends, RFC 4180 quoting.
class CsvReport {
public:
    static QByteArray csv(const Report& report, const QTimeZone& zone);
    // One cell: quoted when it holds a comma, a quote or a line break, and
    // with a leading ' when a spreadsheet would run it as a formula.
    static QString cell(const QString& text);
    // Whether a text starts the way a formula does (=, +, -, @, tab, CR).
    static bool looksLikeFormula(const QString& text);
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reads RFC 4180 text: fields split by commas (or semicolons, when the
// header has more of them), quoted fields with doubled quotes and line breaks
// inside, CRLF or LF line ends, a byte-order mark at the start.
class CsvReader {
public:
    struct Row {
        QStringList cells;
        int line = 0; // where the row starts, from 1
    };
    // The rows, blank lines left out; nothing with `error` set (a quote that
    // never closes) when the text cannot be read.
    static std::optional<QList<Row>> read(const QByteArray& bytes, QString* error);
};

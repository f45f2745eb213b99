#include "exchange/CsvReader.h"

#include <algorithm>

using namespace Qt::StringLiterals;

std::optional<QList<CsvReader::Row>> CsvReader::read(const QByteArray& bytes, QString* error) {
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const qsizetype headerEnd = text.indexOf(u'\n');
    const QStringView header = QStringView(text).left(headerEnd < 0 ? text.size() : headerEnd);
    const QChar separator = header.count(u';') > header.count(u',') ? u';' : u',';

    QList<Row> rows;
    Row row{{}, 1};
    QString field;
    bool quoted = false;
    int line = 1;
    int quoteLine = 0;
    const auto endRow = [&] {
        row.cells.append(field);
        const bool blank = std::all_of(row.cells.begin(), row.cells.end(), [](const QString& cell) {
            return cell.trimmed().isEmpty();
        });
        if (!blank)
            rows.append(row);
        row = Row{{}, line};
        field.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty()) {
            quoted = true;
            quoteLine = line;
        } else if (c == separator) {
            row.cells.append(field);
            field.clear();
        } else if (c == u'\n') {
            ++line;
            endRow();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;
        } else {
            field += c;
        }
    }
    if (quoted) {
        *error = u"line %1: a quoted field never ends"_s.arg(quoteLine);
        return std::nullopt;
    }
    endRow();
    return rows;
}

#pragma once

#include "exchange/ImportedEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

// Reads entries from other trackers' files: Timewarrior's `timew export`,
// CSV with a header row in the column names common trackers use, and this
// app's own report JSON. Any unreadable row fails the whole file.
class ImportParser {
public:
    enum class Format { Timewarrior, Csv, Zevra };

    struct Parsed {
        QList<ImportedEntry> entries;
        int withoutEnd = 0; // running or open entries, left out
        // "line 12: …" or "entry 3: …"; nothing was taken when set.
        std::optional<QString> error;
    };

    static std::optional<Format> formatNamed(const QString& name);
    // From the content: a JSON array is Timewarrior's, a JSON object this
    // app's report, anything else CSV.
    static Format guess(const QByteArray& bytes);
    // `person` is the signed-in person's name: this app's reports may hold
    // only their entries (or entries without a person). Times without a zone
    // are read in `zone`.
    static Parsed parse(const QByteArray& bytes, Format format, const QString& person,
                        const QTimeZone& zone);

    // The column names recognised in a CSV header, lower case, by meaning.
    static const QStringList& columnNames(const QString& meaning);

private:
    static Parsed timewarrior(const QByteArray& bytes);
    static Parsed csv(const QByteArray& bytes, const QTimeZone& zone);
    static Parsed zevra(const QByteArray& bytes, const QString& person);
};

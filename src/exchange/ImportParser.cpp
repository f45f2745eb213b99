#include "exchange/ImportParser.h"

#include "exchange/CsvReader.h"
#include "exchange/CsvReport.h"
#include "model/Time.h"
#include "reports/Report.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

ImportParser::Parsed failed(const QString& error) {
    ImportParser::Parsed parsed;
    parsed.error = error;
    return parsed;
}

// A date and time with its zone, or without one (then in `zone`).
std::optional<QDateTime> dateTime(const QString& text, const QTimeZone& zone) {
    const QString t = text.trimmed();
    if (const std::optional<QDateTime> withZone = Time::parse(t))
        return withZone;
    for (const QString& format : {u"yyyy-MM-dd HH:mm:ss"_s, u"yyyy-MM-dd HH:mm"_s,
                                  u"yyyy-MM-ddTHH:mm:ss"_s, u"yyyy-MM-ddTHH:mm"_s}) {
        const QDateTime local = QDateTime::fromString(t, format);
        if (local.isValid())
            return QDateTime(local.date(), local.time(), zone);
    }
    return std::nullopt;
}

std::optional<QDate> date(const QString& text) {
    for (const QString& format : {u"yyyy-MM-dd"_s, u"dd.MM.yyyy"_s, u"MM/dd/yyyy"_s}) {
        const QDate d = QDate::fromString(text.trimmed(), format);
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

std::optional<QTime> clock(const QString& text) {
    for (const QString& format :
         {u"HH:mm:ss"_s, u"H:mm:ss"_s, u"HH:mm"_s, u"H:mm"_s, u"h:mm:ss AP"_s, u"h:mm AP"_s}) {
        const QTime t = QTime::fromString(text.trimmed(), format);
        if (t.isValid())
            return t;
    }
    return std::nullopt;
}

// This app's CSV guards cells that look like formulas with a leading '.
QString unguarded(const QString& cell) {
    if (cell.startsWith(u'\'') && CsvReport::looksLikeFormula(cell.mid(1)))
        return cell.mid(1);
    return cell;
}

} // namespace

std::optional<ImportParser::Format> ImportParser::formatNamed(const QString& name) {
    if (name == u"timewarrior"_s)
        return Format::Timewarrior;
    if (name == u"csv"_s)
        return Format::Csv;
    if (name == u"zevra"_s)
        return Format::Zevra;
    return std::nullopt;
}

ImportParser::Format ImportParser::guess(const QByteArray& bytes) {
    const QByteArray start = bytes.trimmed().left(1);
    if (start == "[")
        return Format::Timewarrior;
    if (start == "{")
        return Format::Zevra;
    return Format::Csv;
}

const QStringList& ImportParser::columnNames(const QString& meaning) {
    static const QHash<QString, QStringList> names{
        {u"date"_s, {u"date"_s, u"start date"_s, u"day"_s}},
        {u"start"_s, {u"start"_s, u"start time"_s, u"from"_s, u"begin"_s}},
        {u"end date"_s, {u"end date"_s, u"stop date"_s}},
        {u"end"_s, {u"end"_s, u"end time"_s, u"to"_s, u"stop"_s, u"stop time"_s}},
        {u"duration"_s, {u"duration"_s, u"duration (h:mm:ss)"_s}},
        {u"description"_s, {u"description"_s, u"task"_s, u"note"_s, u"notes"_s}},
        {u"client"_s, {u"client"_s, u"customer"_s, u"project"_s}},
    };
    static const QStringList none;
    const auto it = names.find(meaning);
    return it == names.end() ? none : *it;
}

ImportParser::Parsed ImportParser::parse(const QByteArray& bytes, Format format,
                                         const QString& person, const QTimeZone& zone) {
    switch (format) {
    case Format::Timewarrior:
        return timewarrior(bytes);
    case Format::Csv:
        return csv(bytes, zone);
    case Format::Zevra:
        return zevra(bytes, person);
    }
    return failed(u"unknown format"_s);
}

ImportParser::Parsed ImportParser::timewarrior(const QByteArray& bytes) {
    QJsonParseError jsonError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &jsonError);
    if (!doc.isArray())
        return failed(u"not Timewarrior's export: "_s + jsonError.errorString());
    const auto stamp = [](const QJsonValue& value) {
        const QDateTime t = QDateTime::fromString(value.toString(), u"yyyyMMdd'T'HHmmss'Z'"_s);
        return t.isValid() ? QDateTime(t.date(), t.time(), Qt::UTC) : QDateTime();
    };
    Parsed parsed;
    const QJsonArray intervals = doc.array();
    for (qsizetype i = 0; i < intervals.size(); ++i) {
        const QJsonObject o = intervals[i].toObject();
        ImportedEntry e;
        e.start = stamp(o.value("start"_L1));
        if (!e.start.isValid())
            return failed(u"entry %1: no readable start"_s.arg(i));
        if (!o.contains("end"_L1)) {
            ++parsed.withoutEnd;
            continue;
        }
        e.end = stamp(o.value("end"_L1));
        if (!e.end.isValid() || e.end < e.start)
            return failed(u"entry %1: no readable end after the start"_s.arg(i));
        QStringList tags;
        for (const QJsonValue& tag : o.value("tags"_L1).toArray())
            tags.append(tag.toString());
        const QString annotation = o.value("annotation"_L1).toString().trimmed();
        e.description = annotation.isEmpty() ? tags.join(u", "_s) : annotation;
        parsed.entries.append(e);
    }
    return parsed;
}

ImportParser::Parsed ImportParser::csv(const QByteArray& bytes, const QTimeZone& zone) {
    QString error;
    const std::optional<QList<CsvReader::Row>> rows = CsvReader::read(bytes, &error);
    if (!rows)
        return failed(error);
    if (rows->isEmpty())
        return failed(u"line 1: no header row"_s);
    // The column of each meaning, from the header.
    QHash<QString, qsizetype> column;
    const QStringList header = rows->first().cells;
    for (const QString& meaning : {u"date"_s, u"start"_s, u"end date"_s, u"end"_s, u"duration"_s,
                                   u"description"_s, u"client"_s}) {
        for (qsizetype i = 0; i < header.size(); ++i) {
            if (columnNames(meaning).contains(header[i].trimmed().toLower()) &&
                !column.contains(meaning))
                column.insert(meaning, i);
        }
    }
    if (!column.contains(u"start"_s) && !column.contains(u"date"_s))
        return failed(u"line 1: no start column among "_s + header.join(u", "_s));

    Parsed parsed;
    for (qsizetype r = 1; r < rows->size(); ++r) {
        const CsvReader::Row& row = rows->at(r);
        const auto cell = [&](const QString& meaning) {
            const qsizetype at = column.value(meaning, -1);
            return at >= 0 && at < row.cells.size() ? unguarded(row.cells[at]).trimmed()
                                                    : QString();
        };
        const auto bad = [&row](const QString& why) {
            return failed(u"line %1: %2"_s.arg(row.line).arg(why));
        };
        // A start is a date and time in one cell, or a day and a clock time.
        const std::optional<QDate> day = date(cell(u"date"_s));
        std::optional<QDateTime> start = dateTime(cell(u"start"_s), zone);
        if (!start && day) {
            const std::optional<QTime> at =
                cell(u"start"_s).isEmpty() ? std::optional(QTime(0, 0)) : clock(cell(u"start"_s));
            if (at)
                start = QDateTime(*day, *at, zone);
        }
        if (!start)
            return bad(u"cannot read the start \"%1\""_s.arg(
                cell(u"start"_s).isEmpty() ? cell(u"date"_s) : cell(u"start"_s)));

        std::optional<QDateTime> end = dateTime(cell(u"end"_s), zone);
        if (!end && !cell(u"end"_s).isEmpty()) {
            const std::optional<QTime> at = clock(cell(u"end"_s));
            const std::optional<QDate> endDay = date(cell(u"end date"_s));
            if (!at)
                return bad(u"cannot read the end \"%1\""_s.arg(cell(u"end"_s)));
            end = QDateTime(endDay.value_or(start->date()), *at, zone);
            if (!endDay && *end < *start)
                end = end->addDays(1); // past midnight
        }
        if (!end && !cell(u"duration"_s).isEmpty()) {
            const std::optional<double> seconds = Time::parseDuration(cell(u"duration"_s));
            if (!seconds || *seconds < 0)
                return bad(u"cannot read the duration \"%1\""_s.arg(cell(u"duration"_s)));
            end = start->addMSecs(qint64(*seconds * 1000.0));
        }
        if (!end) {
            ++parsed.withoutEnd;
            continue;
        }
        if (*end < *start)
            return bad(u"the end comes before the start"_s);
        ImportedEntry e{*start, *end, cell(u"description"_s), std::nullopt, std::nullopt};
        if (!cell(u"client"_s).isEmpty())
            e.client = cell(u"client"_s);
        parsed.entries.append(e);
    }
    return parsed;
}

ImportParser::Parsed ImportParser::zevra(const QByteArray& bytes, const QString& person) {
    const std::optional<Report> report = Report::fromJsonBytes(bytes);
    if (!report)
        return failed(u"not a Zevra Tikit report"_s);
    Parsed parsed;
    for (qsizetype i = 0; i < report->entries.size(); ++i) {
        const ReportEntry& r = report->entries[i];
        if (r.userName && !r.userName->isEmpty() && *r.userName != person)
            return failed(u"entry %1 is %2's, not yours"_s.arg(i).arg(*r.userName));
        const std::optional<QDateTime> start = Time::parse(r.startedAt);
        if (!start)
            return failed(u"entry %1: no readable start"_s.arg(i));
        if (!r.endedAt) {
            ++parsed.withoutEnd;
            continue;
        }
        const std::optional<QDateTime> end = Time::parse(r.endedAt);
        if (!end || *end < *start)
            return failed(u"entry %1: no readable end after the start"_s.arg(i));
        parsed.entries.append(ImportedEntry{*start, *end, r.description, r.clientName, r.id});
    }
    return parsed;
}

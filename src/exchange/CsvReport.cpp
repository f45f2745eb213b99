#include "exchange/CsvReport.h"

#include "model/Time.h"

using namespace Qt::StringLiterals;

bool CsvReport::looksLikeFormula(const QString& text) {
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' ||
           first == u'\r';
}

QString CsvReport::cell(const QString& text) {
    QString value = looksLikeFormula(text) ? u"'"_s + text : text;
    if (value.contains(u',') || value.contains(u'"') || value.contains(u'\n') ||
        value.contains(u'\r')) {
        value.replace(u"\""_s, u"\"\""_s);
        value = u'"' + value + u'"';
    }
    return value;
}

QByteArray CsvReport::csv(const Report& report, const QTimeZone& zone) {
    QString text = u"\uFEFFDate,Start,End,Duration,Hours,Description,Client,Person\r\n"_s;
    for (const ReportEntry& e : report.entries) {
        const std::optional<QDateTime> start = Time::parse(e.startedAt);
        const std::optional<QDateTime> end = Time::parse(e.endedAt);
        const QDateTime from = start ? start->toTimeZone(zone) : QDateTime();
        const qint64 seconds = e.duration.value_or(start && end ? start->secsTo(*end) : qint64(0));
        const QStringList row{
            from.isValid() ? from.toString(u"yyyy-MM-dd"_s) : QString(),
            from.isValid() ? from.toString(u"yyyy-MM-dd HH:mm:ss"_s) : QString(),
            end ? end->toTimeZone(zone).toString(u"yyyy-MM-dd HH:mm:ss"_s) : QString(),
            Time::hms(double(seconds)),
            QString::number(double(seconds) / 3600.0, 'f', 2),
            cell(e.description),
            cell(e.clientName.value_or(QString())),
            cell(e.userName.value_or(QString())),
        };
        text += row.join(u',') + u"\r\n"_s;
    }
    return text.toUtf8();
}

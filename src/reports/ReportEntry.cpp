#include "reports/ReportEntry.h"

#include "model/JsonReader.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {
QString trimmedSlashes(QString text, bool leading) {
    while (text.endsWith(u'/'))
        text.chop(1);
    while (leading && text.startsWith(u'/'))
        text.remove(0, 1);
    return text;
}
} // namespace

QList<QUrl> ReportEntry::screenshotUrls(const QString& base, qsizetype max) const {
    QList<QUrl> urls;
    if (!screenshots || max <= 0)
        return urls;
    const QString root = trimmedSlashes(base.trimmed(), false);
    for (const QString& text : screenshots->mid(0, max)) {
        const bool absolute = text.startsWith("http://"_L1) || text.startsWith("https://"_L1);
        const QString address = absolute ? text : root + u'/' + trimmedSlashes(text, true);
        const QUrl url(address, QUrl::StrictMode);
        if (url.isValid() && !url.isEmpty())
            urls.append(url);
    }
    return urls;
}

QJsonObject ReportEntry::toJson() const {
    QJsonObject o;
    o.insert("id"_L1, id);
    JsonWrite::optional(o, "user_name"_L1, userName);
    JsonWrite::optional(o, "client_name"_L1, clientName);
    JsonWrite::optional(o, "client_color"_L1, clientColor);
    o.insert("description"_L1, description);
    o.insert("started_at"_L1, startedAt);
    JsonWrite::optional(o, "ended_at"_L1, endedAt);
    JsonWrite::optional(o, "duration"_L1, duration);
    if (screenshots)
        o.insert("screenshots"_L1, QJsonArray::fromStringList(*screenshots));
    return o;
}

std::optional<ReportEntry> ReportEntry::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    ReportEntry e;
    e.id = r.integer("id"_L1);
    e.userName = r.optionalText("user_name"_L1);
    e.clientName = r.optionalText("client_name"_L1);
    e.clientColor = r.optionalText("client_color"_L1);
    e.description = r.text("description"_L1);
    e.startedAt = r.text("started_at"_L1);
    e.endedAt = r.optionalText("ended_at"_L1);
    e.duration = r.optionalInteger("duration"_L1);
    e.screenshots = r.optionalList<QString>("screenshots"_L1, &JsonReader::textValue);
    if (!r.ok())
        return std::nullopt;
    return e;
}

#include "reports/Report.h"

#include "model/JsonReader.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

QJsonObject Report::toJson() const {
    QJsonObject o;
    o.insert("from"_L1, from);
    o.insert("to"_L1, to);
    o.insert("total"_L1, total);
    o.insert("grouped"_L1, grouped.toJson());
    QJsonArray list;
    for (const ReportEntry& e : entries)
        list.append(e.toJson());
    o.insert("entries"_L1, list);
    return o;
}

std::optional<Report> Report::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    Report report;
    report.from = r.text("from"_L1);
    report.to = r.text("to"_L1);
    report.total = r.integer("total"_L1);
    if (std::optional<ReportGrouped> g =
            r.object<ReportGrouped>("grouped"_L1, &ReportGrouped::fromJson))
        report.grouped = std::move(*g);
    report.entries = r.list<ReportEntry>("entries"_L1, &ReportEntry::fromJson);
    if (!r.ok())
        return std::nullopt;
    return report;
}

std::optional<Report> Report::fromJsonBytes(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return fromJson(doc.object());
}

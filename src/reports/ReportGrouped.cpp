#include "reports/ReportGrouped.h"

#include "model/JsonReader.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {
QJsonArray bucketArray(const QList<ReportBucket>& buckets) {
    QJsonArray array;
    for (const ReportBucket& b : buckets)
        array.append(b.toJson());
    return array;
}
} // namespace

QJsonObject ReportGrouped::toJson() const {
    QJsonObject o;
    o.insert("user"_L1, bucketArray(user));
    o.insert("client"_L1, bucketArray(client));
    o.insert("day"_L1, bucketArray(day));
    return o;
}

std::optional<ReportGrouped> ReportGrouped::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    ReportGrouped g;
    g.user = r.list<ReportBucket>("user"_L1, &ReportBucket::fromJson);
    g.client = r.list<ReportBucket>("client"_L1, &ReportBucket::fromJson);
    g.day = r.list<ReportBucket>("day"_L1, &ReportBucket::fromJson);
    if (!r.ok())
        return std::nullopt;
    return g;
}

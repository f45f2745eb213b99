#include "reports/ReportBucket.h"

#include "model/JsonReader.h"

using namespace Qt::StringLiterals;

QJsonObject ReportBucket::toJson() const {
    QJsonObject o;
    o.insert("name"_L1, name);
    o.insert("seconds"_L1, seconds);
    return o;
}

std::optional<ReportBucket> ReportBucket::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    ReportBucket b;
    b.name = r.text("name"_L1);
    b.seconds = r.integer("seconds"_L1);
    if (!r.ok())
        return std::nullopt;
    return b;
}

#pragma once

#include "reports/ReportBucket.h"

#include <QJsonObject>
#include <QList>

#include <optional>

// The server's sums of a report per person, per client and per day.
struct ReportGrouped {
    QList<ReportBucket> user;
    QList<ReportBucket> client;
    QList<ReportBucket> day;

    QJsonObject toJson() const;
    static std::optional<ReportGrouped> fromJson(const QJsonValue& value);

    bool operator==(const ReportGrouped&) const = default;
};

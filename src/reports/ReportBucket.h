#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// One sum of a report grouping: a person, a client or a day with its seconds.
struct ReportBucket {
    QString name;
    qint64 seconds = 0;

    QJsonObject toJson() const;
    static std::optional<ReportBucket> fromJson(const QJsonValue& value);

    bool operator==(const ReportBucket&) const = default;
};

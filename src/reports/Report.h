#pragma once

#include "reports/ReportEntry.h"
#include "reports/ReportGrouped.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// A report for one period as the server computes it.
struct Report {
    // The period's ends as the server echoes them.
    QString from;
    QString to;
    // Tracked seconds of the whole report.
    qint64 total = 0;
    ReportGrouped grouped;
    // In server order.
    QList<ReportEntry> entries;

    QJsonObject toJson() const;
    static std::optional<Report> fromJson(const QJsonValue& value);
    // A whole reply body; nothing when it is not JSON or not a report.
    static std::optional<Report> fromJsonBytes(const QByteArray& body);

    bool operator==(const Report&) const = default;
};

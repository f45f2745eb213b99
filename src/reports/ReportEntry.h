#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One time entry of a report as the server lists it.
struct ReportEntry {
    // The server id; keys the screenshot map.
    qint64 id = 0;
    std::optional<QString> userName;
    // Absent for entries without a client.
    std::optional<QString> clientName;
    // "#RRGGBB" text.
    std::optional<QString> clientColor;
    QString description;
    QString startedAt;
    std::optional<QString> endedAt;
    // Seconds; absent while the entry still runs.
    std::optional<qint64> duration;
    // Server paths relative to the server base, or absolute http(s) URLs.
    std::optional<QList<QString>> screenshots;

    // The addresses of the first `max` screenshots that form a URL: absolute
    // http(s) texts as they are, server paths joined to `base` with exactly one
    // slash at the seam.
    QList<QUrl> screenshotUrls(const QString& base, qsizetype max) const;

    QJsonObject toJson() const;
    static std::optional<ReportEntry> fromJson(const QJsonValue& value);

    bool operator==(const ReportEntry&) const = default;
};

#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// A person as the server reports it.
struct ReportUser {
    qint64 id = 0;
    QString name;
    bool isAdmin = false;
    bool active = false;
    // Sent only right after creation.
    std::optional<QString> apiKey;

    QJsonObject toJson() const;
    static std::optional<ReportUser> fromJson(const QJsonValue& value);

    bool operator==(const ReportUser&) const = default;
};

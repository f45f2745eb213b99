#pragma once

#include "api/ApiResult.h"

#include <QJsonObject>
#include <QString>

#include <optional>

struct HttpReply;

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
    // The person of a `{"user": ...}` answer, or the failure's message.
    static ApiResult<ReportUser> fromReply(const HttpReply& reply);

    bool operator==(const ReportUser&) const = default;
};

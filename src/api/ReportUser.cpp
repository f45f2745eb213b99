#include "api/ReportUser.h"

#include "api/HttpReply.h"
#include "model/JsonReader.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

QJsonObject ReportUser::toJson() const {
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    o.insert("is_admin"_L1, isAdmin);
    o.insert("active"_L1, active);
    JsonWrite::optional(o, "api_key"_L1, apiKey);
    return o;
}

std::optional<ReportUser> ReportUser::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    ReportUser u;
    u.id = r.integer("id"_L1);
    u.name = r.text("name"_L1);
    u.isAdmin = r.flag("is_admin"_L1);
    u.active = r.flag("active"_L1);
    u.apiKey = r.optionalText("api_key"_L1);
    if (!r.ok())
        return std::nullopt;
    return u;
}

ApiResult<ReportUser> ReportUser::fromReply(const HttpReply& reply) {
    if (reply.isTransportFailure())
        return ApiResult<ReportUser>::failure(*reply.transportError);
    if (reply.isHttpFailure())
        return ApiResult<ReportUser>::failure(reply.failureMessage());
    const QJsonDocument doc = QJsonDocument::fromJson(reply.body);
    JsonReader r(doc.object());
    const std::optional<ReportUser> user =
        r.optionalObject<ReportUser>("user"_L1, &ReportUser::fromJson);
    if (!doc.isObject() || !r.ok() || !user)
        return ApiResult<ReportUser>::failure(u"Malformed response"_s);
    return ApiResult<ReportUser>::success(*user);
}

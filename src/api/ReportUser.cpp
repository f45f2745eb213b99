#include "api/ReportUser.h"

#include "model/JsonReader.h"

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

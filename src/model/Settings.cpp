#include "model/Settings.h"

#include "model/JsonReader.h"
#include "model/JsonTextWriter.h"

using namespace Qt::StringLiterals;

QJsonObject Settings::toJson() const {
    QJsonObject o;
    o.insert("server"_L1, server);
    o.insert("api_key"_L1, apiKey);
    o.insert("user_name"_L1, userName);
    JsonWrite::optional(o, "user_id"_L1, userId);
    o.insert("is_admin"_L1, isAdmin);
    JsonWrite::optional(o, "last_sync"_L1, lastSync);
    JsonWrite::optional(o, "trusted_certificate"_L1, trustedCertificate);
    o.insert("away_after_minutes"_L1, awayAfterMinutes);
    reminders.addTo(o);
    return o;
}

std::optional<Settings> Settings::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    Settings s;
    s.server = r.text("server"_L1);
    s.apiKey = r.text("api_key"_L1);
    s.userName = r.text("user_name"_L1);
    s.userId = r.optionalInteger("user_id"_L1);
    s.isAdmin = r.flag("is_admin"_L1);
    s.lastSync = r.optionalText("last_sync"_L1);
    s.trustedCertificate = r.optionalText("trusted_certificate"_L1);
    // Files from before the setting existed get the default; a value out of
    // range is brought into it.
    s.awayAfterMinutes = int(qBound(
        qint64(0), r.optionalInteger("away_after_minutes"_L1).value_or(defaultAwayAfterMinutes),
        qint64(maxAwayAfterMinutes)));
    s.reminders = ReminderSettings::fromJson(value.toObject());
    if (!r.ok())
        return std::nullopt;
    return s;
}

void Settings::writeJson(JsonTextWriter& w) const {
    w.beginObject();
    w.key("api_key"_L1);
    w.value(apiKey);
    w.key("away_after_minutes"_L1);
    w.value(qint64(awayAfterMinutes));
    w.key("is_admin"_L1);
    w.value(isAdmin);
    w.optional("last_sync"_L1, lastSync);
    reminders.writeTimerKeys(w);
    w.key("server"_L1);
    w.value(server);
    w.optional("trusted_certificate"_L1, trustedCertificate);
    w.optional("user_id"_L1, userId);
    w.key("user_name"_L1);
    w.value(userName);
    reminders.writeWorkingKeys(w);
    w.endObject();
}

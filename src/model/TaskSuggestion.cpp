#include "model/TaskSuggestion.h"

#include "model/JsonReader.h"
#include "model/JsonTextWriter.h"

using namespace Qt::StringLiterals;

QJsonObject TaskSuggestion::toJson() const {
    QJsonObject o;
    o.insert("description"_L1, description);
    o.insert("uses"_L1, uses);
    JsonWrite::optional(o, "last_used"_L1, lastUsed);
    JsonWrite::optional(o, "client_id"_L1, clientId);
    JsonWrite::optional(o, "client_name"_L1, clientName);
    JsonWrite::optional(o, "client_color"_L1, clientColor);
    return o;
}

std::optional<TaskSuggestion> TaskSuggestion::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    TaskSuggestion t;
    t.description = r.text("description"_L1);
    t.uses = r.integer("uses"_L1);
    t.lastUsed = r.optionalText("last_used"_L1);
    t.clientId = r.optionalInteger("client_id"_L1);
    t.clientName = r.optionalText("client_name"_L1);
    t.clientColor = r.optionalText("client_color"_L1);
    if (!r.ok())
        return std::nullopt;
    return t;
}

void TaskSuggestion::writeJson(JsonTextWriter& w) const {
    w.beginObject();
    w.optional("client_color"_L1, clientColor);
    w.optional("client_id"_L1, clientId);
    w.optional("client_name"_L1, clientName);
    w.key("description"_L1);
    w.value(description);
    w.optional("last_used"_L1, lastUsed);
    w.key("uses"_L1);
    w.value(uses);
    w.endObject();
}

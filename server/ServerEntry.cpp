#include "ServerEntry.h"

#include "JsonWriter.h"

void ServerEntry::write(JsonWriter& out) const {
    out.beginObject();
    out.field("id", id);
    out.field("user_id", userId);
    if (clientId)
        out.field("client_id", *clientId);
    out.field("description", description);
    out.key("started_at");
    out.timestamp(startedAt);
    if (endedAt) {
        out.key("ended_at");
        out.timestamp(*endedAt);
        out.field("duration", qMax<qint64>(0, *endedAt - startedAt));
    }
    out.key("screenshots");
    out.beginArray();
    for (const QString& path : screenshots)
        out.value(path);
    out.endArray();
    out.key("updated_at");
    out.timestamp(updatedAt);
    out.endObject();
}

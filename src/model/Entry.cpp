#include "model/Entry.h"

#include "model/Clock.h"
#include "model/JsonReader.h"
#include "model/JsonTextWriter.h"
#include "model/Time.h"

using namespace Qt::StringLiterals;

double Entry::duration(const QDateTime& now) const {
    const std::optional<QDateTime> start = Time::parse(startedAt);
    if (!start)
        return 0;
    const std::optional<QDateTime> end = Time::parse(endedAt);
    return double(start->msecsTo(end ? *end : now)) / 1000.0;
}

double Entry::duration() const {
    return duration(Clock::now());
}

QJsonObject Entry::toJson() const {
    QJsonObject o;
    o.insert("id"_L1, id);
    JsonWrite::optional(o, "server_id"_L1, serverId);
    JsonWrite::optional(o, "client_id"_L1, clientId);
    o.insert("description"_L1, description);
    o.insert("started_at"_L1, startedAt);
    JsonWrite::optional(o, "ended_at"_L1, endedAt);
    if (screenshots) {
        QJsonArray list;
        for (const Screenshot& s : *screenshots)
            list.append(s.toJson());
        o.insert("screenshots"_L1, list);
    }
    JsonWrite::optional(o, "screenshot_file"_L1, screenshotFile);
    JsonWrite::optional(o, "screenshot_url"_L1, screenshotUrl);
    o.insert("screenshot_pending_upload"_L1, screenshotPendingUpload);
    o.insert("screenshot_cleared"_L1, screenshotCleared);
    o.insert("updated_at"_L1, updatedAt);
    o.insert("sync_state"_L1, syncState);
    o.insert("deleted"_L1, deleted);
    return o;
}

std::optional<Entry> Entry::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    Entry e;
    e.id = r.text("id"_L1);
    e.serverId = r.optionalInteger("server_id"_L1);
    e.clientId = r.optionalText("client_id"_L1);
    e.description = r.text("description"_L1);
    e.startedAt = r.text("started_at"_L1);
    e.endedAt = r.optionalText("ended_at"_L1);
    e.screenshots = r.optionalList<Screenshot>("screenshots"_L1, &Screenshot::fromJson);
    e.screenshotFile = r.optionalText("screenshot_file"_L1);
    e.screenshotUrl = r.optionalText("screenshot_url"_L1);
    e.screenshotPendingUpload = r.flag("screenshot_pending_upload"_L1);
    e.screenshotCleared = r.flag("screenshot_cleared"_L1);
    e.updatedAt = r.text("updated_at"_L1);
    e.syncState = r.text("sync_state"_L1);
    e.deleted = r.flag("deleted"_L1);
    if (!r.ok())
        return std::nullopt;
    return e;
}

void Entry::writeJson(JsonTextWriter& w) const {
    w.beginObject();
    w.optional("client_id"_L1, clientId);
    w.key("deleted"_L1);
    w.value(deleted);
    w.key("description"_L1);
    w.value(description);
    w.optional("ended_at"_L1, endedAt);
    w.key("id"_L1);
    w.value(id);
    w.key("screenshot_cleared"_L1);
    w.value(screenshotCleared);
    w.optional("screenshot_file"_L1, screenshotFile);
    w.key("screenshot_pending_upload"_L1);
    w.value(screenshotPendingUpload);
    w.optional("screenshot_url"_L1, screenshotUrl);
    if (screenshots) {
        w.key("screenshots"_L1);
        w.beginArray();
        for (const Screenshot& s : *screenshots) {
            w.element();
            s.writeJson(w);
        }
        w.endArray();
    }
    w.optional("server_id"_L1, serverId);
    w.key("started_at"_L1);
    w.value(startedAt);
    w.key("sync_state"_L1);
    w.value(syncState);
    w.key("updated_at"_L1);
    w.value(updatedAt);
    w.endObject();
}

#include "api/SyncResponse.h"

#include "model/JsonReader.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

std::optional<SyncResponse::UserDTO> SyncResponse::UserDTO::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    UserDTO u;
    u.id = r.integer("id"_L1);
    u.name = r.text("name"_L1);
    u.isAdmin = r.flag("is_admin"_L1);
    if (!r.ok())
        return std::nullopt;
    return u;
}

std::optional<SyncResponse::ClientDTO> SyncResponse::ClientDTO::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    ClientDTO c;
    c.id = r.integer("id"_L1);
    c.name = r.text("name"_L1);
    c.color = r.text("color"_L1);
    c.archived = r.flag("archived"_L1);
    if (!r.ok())
        return std::nullopt;
    return c;
}

std::optional<SyncResponse::EntryDTO> SyncResponse::EntryDTO::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    EntryDTO e;
    e.id = r.integer("id"_L1);
    e.userId = r.optionalInteger("user_id"_L1);
    e.clientId = r.optionalInteger("client_id"_L1);
    e.description = r.text("description"_L1);
    e.startedAt = r.text("started_at"_L1);
    e.endedAt = r.optionalText("ended_at"_L1);
    e.duration = r.optionalInteger("duration"_L1);
    e.screenshot = r.optionalText("screenshot"_L1);
    e.screenshots = r.optionalList<QString>("screenshots"_L1, &JsonReader::textValue);
    e.updatedAt = r.text("updated_at"_L1);
    if (!r.ok())
        return std::nullopt;
    return e;
}

std::optional<SyncResponse::ResultDTO> SyncResponse::ResultDTO::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    ResultDTO d;
    d.ref = r.text("ref"_L1);
    d.serverId = r.optionalInteger("server_id"_L1);
    d.deleted = r.optionalFlag("deleted"_L1);
    d.error = r.optionalText("error"_L1);
    d.screenshots = r.optionalList<QString>("screenshots"_L1, &JsonReader::textValue);
    d.refused = r.optionalList<qint64>("refused"_L1, &JsonReader::integerValue);
    if (!r.ok())
        return std::nullopt;
    return d;
}

std::optional<SyncResponse> SyncResponse::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    SyncResponse s;
    s.ok = r.flag("ok"_L1);
    s.error = r.optionalText("error"_L1);
    s.user = r.optionalObject<UserDTO>("user"_L1, &UserDTO::fromJson);
    s.clients = r.optionalList<ClientDTO>("clients"_L1, &ClientDTO::fromJson);
    s.entries = r.optionalList<EntryDTO>("entries"_L1, &EntryDTO::fromJson);
    s.deletedEntries = r.optionalList<qint64>("deleted_entries"_L1, &JsonReader::integerValue);
    s.results = r.optionalList<ResultDTO>("results"_L1, &ResultDTO::fromJson);
    s.tasks = r.optionalList<TaskSuggestion>("tasks"_L1, &TaskSuggestion::fromJson);
    s.serverTime = r.optionalText("server_time"_L1);
    s.maxBody = r.optionalInteger("max_body"_L1);
    if (!r.ok())
        return std::nullopt;
    return s;
}

std::optional<SyncResponse> SyncResponse::decode(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return fromJson(doc.object());
}

#include "model/Client.h"

#include "model/JsonReader.h"
#include "model/JsonTextWriter.h"

using namespace Qt::StringLiterals;

QJsonObject Client::toJson() const {
    QJsonObject o;
    o.insert("id"_L1, id);
    JsonWrite::optional(o, "server_id"_L1, serverId);
    o.insert("name"_L1, name);
    o.insert("color"_L1, color);
    o.insert("archived"_L1, archived);
    o.insert("sync_state"_L1, syncState);
    if (!changed.isEmpty())
        o.insert("changed"_L1, QJsonArray::fromStringList(changed));
    return o;
}

std::optional<Client> Client::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    Client c;
    c.id = r.text("id"_L1);
    c.serverId = r.optionalInteger("server_id"_L1);
    c.name = r.text("name"_L1);
    c.color = r.text("color"_L1);
    c.archived = r.flag("archived"_L1);
    c.syncState = r.text("sync_state"_L1);
    c.changed =
        r.optionalList<QString>("changed"_L1, &JsonReader::textValue).value_or(QStringList());
    if (!r.ok())
        return std::nullopt;
    return c;
}

void Client::writeJson(JsonTextWriter& w) const {
    w.beginObject();
    w.key("archived"_L1);
    w.value(archived);
    if (!changed.isEmpty()) {
        w.key("changed"_L1);
        w.beginArray();
        for (const QString& field : changed) {
            w.element();
            w.value(field);
        }
        w.endArray();
    }
    w.key("color"_L1);
    w.value(color);
    w.key("id"_L1);
    w.value(id);
    w.key("name"_L1);
    w.value(name);
    w.optional("server_id"_L1, serverId);
    w.key("sync_state"_L1);
    w.value(syncState);
    w.endObject();
}

QStringList Client::differences(const Client& a, const Client& b) {
    QStringList fields;
    if (a.name != b.name)
        fields.append(nameField);
    if (a.color.compare(b.color, Qt::CaseInsensitive) != 0)
        fields.append(colorField);
    if (a.archived != b.archived)
        fields.append(archivedField);
    return fields;
}

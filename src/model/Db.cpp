#include "model/Db.h"

#include "model/EntryTextCache.h"
#include "model/JsonReader.h"
#include "model/JsonTextWriter.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {
template <class T>
QJsonArray toArray(const QList<T>& items) {
    QJsonArray array;
    for (const T& item : items)
        array.append(item.toJson());
    return array;
}
} // namespace

int Db::pendingCount() const {
    int count = 0;
    for (const Entry& e : entries)
        count += e.syncState == Entry::pending ? 1 : 0;
    for (const Client& c : clients)
        count += c.syncState == Entry::pending ? 1 : 0;
    return count;
}

QJsonObject Db::toJson() const {
    QJsonObject o;
    o.insert("settings"_L1, settings.toJson());
    o.insert("clients"_L1, toArray(clients));
    o.insert("entries"_L1, toArray(entries));
    o.insert("tasks"_L1, toArray(tasks));
    JsonWrite::optional(o, "away_since"_L1, awaySince);
    if (away)
        o.insert("away"_L1, away->toJson());
    JsonWrite::optional(o, "long_timer_noted"_L1, longTimerNoted);
    return o;
}

std::optional<Db> Db::fromJson(const QJsonValue& value) {
    JsonReader r(value);
    Db db;
    if (std::optional<Settings> s = r.object<Settings>("settings"_L1, &Settings::fromJson))
        db.settings = std::move(*s);
    db.clients = r.list<Client>("clients"_L1, &Client::fromJson);
    db.entries = r.list<Entry>("entries"_L1, &Entry::fromJson);
    db.tasks = r.list<TaskSuggestion>("tasks"_L1, &TaskSuggestion::fromJson);
    db.awaySince = r.optionalText("away_since"_L1);
    db.away = r.optionalObject<AwayQuestion>("away"_L1, &AwayQuestion::fromJson);
    db.longTimerNoted = r.optionalText("long_timer_noted"_L1);
    if (!r.ok())
        return std::nullopt;
    return db;
}

QByteArray Db::encode(EntryTextCache* cache) const {
    QByteArray out;
    out.reserve(qsizetype(entries.size()) * 520 + 4096);
    JsonTextWriter w(out);
    w.beginObject();
    if (away) {
        w.key("away"_L1);
        w.beginObject();
        w.key("entry_id"_L1);
        w.value(away->entryId);
        w.key("from"_L1);
        w.value(away->from);
        w.key("to"_L1);
        w.value(away->to);
        w.endObject();
    }
    w.optional("away_since"_L1, awaySince);
    w.key("clients"_L1);
    w.beginArray();
    for (const Client& c : clients) {
        w.element();
        c.writeJson(w);
    }
    w.endArray();
    w.key("entries"_L1);
    w.beginArray();
    for (const Entry& e : entries) {
        w.element();
        if (cache)
            w.raw(cache->text(e, w.level()));
        else
            e.writeJson(w);
    }
    w.endArray();
    w.optional("long_timer_noted"_L1, longTimerNoted);
    w.key("settings"_L1);
    settings.writeJson(w);
    w.key("tasks"_L1);
    w.beginArray();
    for (const TaskSuggestion& t : tasks) {
        w.element();
        t.writeJson(w);
    }
    w.endArray();
    w.endObject();
    out.append('\n');
    if (cache)
        cache->finishPass();
    return out;
}

std::optional<Db> Db::decode(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return fromJson(doc.object());
}

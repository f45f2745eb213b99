#include "model/Suggestions.h"
#include "model/Text.h"

#include "model/Colors.h"
#include "model/Theme.h"
#include "model/Time.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>

namespace {} // namespace

QList<Suggestion> Suggestions::taskPool(const Db& db) {
    // First client per server id, as a linear search would find it.
    QHash<qint64, const Client*> byServerId;
    for (const Client& c : db.clients) {
        if (c.serverId && !byServerId.contains(*c.serverId))
            byServerId.insert(*c.serverId, &c);
    }
    QList<Suggestion> pool;
    pool.reserve(db.tasks.size());
    for (const TaskSuggestion& task : db.tasks) {
        const Client* local = task.clientId ? byServerId.value(*task.clientId, nullptr) : nullptr;
        Suggestion s;
        s.description = task.description;
        if (local)
            s.clientId = local->id;
        if (task.clientName)
            s.clientName = task.clientName;
        else if (local)
            s.clientName = local->name;
        std::optional<QColor> color =
            task.clientColor ? colorFromHex(*task.clientColor) : std::nullopt;
        if (!color && local)
            color = colorFromHex(local->color);
        s.color = color.value_or(Theme::accentDeep());
        pool.append(std::move(s));
    }
    return pool;
}

QList<Suggestion> Suggestions::localPool(const Db& db) {
    struct Candidate {
        const Entry* entry;
        qint64 start;
    };
    QList<Candidate> sorted;
    sorted.reserve(db.entries.size());
    for (const Entry& e : db.entries) {
        if (e.deleted)
            continue;
        const std::optional<QDateTime> start = Time::parse(e.startedAt);
        sorted.append(
            {&e, start ? start->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min()});
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Candidate& a, const Candidate& b) { return a.start > b.start; });

    QHash<QString, const Client*> clientsById;
    for (const Client& c : db.clients) {
        if (!clientsById.contains(c.id))
            clientsById.insert(c.id, &c);
    }

    QList<Suggestion> pool;
    QSet<QString> seen;
    for (const Candidate& candidate : sorted) {
        const Entry& e = *candidate.entry;
        const QString d = Text::trimSpacesAndTabs(e.description).toString();
        if (d.isEmpty())
            continue;
        const QString key = d.toLower();
        if (seen.contains(key))
            continue;
        seen.insert(key);

        Suggestion s;
        s.description = d;
        s.clientId = e.clientId;
        const Client* client = e.clientId ? clientsById.value(*e.clientId, nullptr) : nullptr;
        if (client) {
            s.clientName = client->name;
            s.color = colorFromHex(client->color).value_or(Theme::accentDeep());
        } else {
            s.color = Theme::accentDeep();
        }
        pool.append(std::move(s));
    }
    return pool;
}

QList<Suggestion> Suggestions::forText(const Db& db, const QString& text) {
    const QString q = Text::trimSpacesAndTabs(text).toString().toLower();
    const QList<Suggestion> pool = db.tasks.isEmpty() ? localPool(db) : taskPool(db);

    QList<Suggestion> result;
    QSet<QString> seen;
    for (const Suggestion& candidate : pool) {
        const QString key = candidate.description.toLower();
        if (seen.contains(key))
            continue;
        if (!q.isEmpty() && !key.contains(q) &&
            !candidate.clientName.value_or(QString()).toLower().contains(q))
            continue;
        seen.insert(key);
        result.append(candidate);
    }
    if (!q.isEmpty()) {
        std::stable_partition(result.begin(), result.end(), [&q](const Suggestion& s) {
            return s.description.toLower().startsWith(q);
        });
    }
    if (result.size() > limit)
        result.resize(limit);
    return result;
}

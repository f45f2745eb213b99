#include "ReportAction.h"

#include "ServerTime.h"
#include "Storage.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// "1,2,3" to ids; nothing when any piece is not a whole number.
std::optional<QList<qint64>> parseIds(const QString& text) {
    QList<qint64> ids;
    for (const QString& piece : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 id = piece.trimmed().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        if (!ids.contains(id))
            ids.append(id);
    }
    return ids;
}

struct Bucket {
    QString name;
    qint64 seconds = 0;
};

// Adds seconds to the bucket under `key`, creating it with `name`.
template <class Key>
void add(QHash<Key, qsizetype>& index, QList<Bucket>& buckets, const Key& key, const QString& name,
         qint64 seconds) {
    auto it = index.constFind(key);
    if (it == index.constEnd()) {
        it = index.insert(key, buckets.size());
        buckets.append({name, 0});
    }
    buckets[*it].seconds += seconds;
}

QJsonArray bucketsJson(QList<Bucket> buckets, bool byName) {
    if (byName) {
        std::sort(buckets.begin(), buckets.end(),
                  [](const Bucket& a, const Bucket& b) { return a.name < b.name; });
    } else {
        std::stable_sort(buckets.begin(), buckets.end(), [](const Bucket& a, const Bucket& b) {
            if (a.seconds != b.seconds)
                return a.seconds > b.seconds;
            return a.name.localeAwareCompare(b.name) < 0;
        });
    }
    QJsonArray out;
    for (const Bucket& b : buckets) {
        QJsonObject o;
        o.insert("name"_L1, b.name);
        o.insert("seconds"_L1, b.seconds);
        out.append(o);
    }
    return out;
}

} // namespace

ReportAction::ReportAction(Storage& storage)
    : m_storage(storage) {}

HttpAnswer ReportAction::handle(const ServerUser& user, const QUrlQuery& query) {
    const std::optional<qint64> from =
        ServerTime::parse(query.queryItemValue(u"from"_s, QUrl::FullyDecoded));
    const std::optional<qint64> to =
        ServerTime::parse(query.queryItemValue(u"to"_s, QUrl::FullyDecoded));
    if (!from)
        return HttpAnswer::error(400, u"\"from\" must be an ISO-8601 date and time"_s);
    if (!to)
        return HttpAnswer::error(400, u"\"to\" must be an ISO-8601 date and time"_s);
    if (*to < *from)
        return HttpAnswer::error(400, u"\"to\" lies before \"from\""_s);

    const std::optional<QList<qint64>> userIds =
        parseIds(query.queryItemValue(u"user_ids"_s, QUrl::FullyDecoded));
    const std::optional<QList<qint64>> clientIds =
        parseIds(query.queryItemValue(u"client_ids"_s, QUrl::FullyDecoded));
    if (!userIds)
        return HttpAnswer::error(400, u"\"user_ids\" must be ids separated by commas"_s);
    if (!clientIds)
        return HttpAnswer::error(400, u"\"client_ids\" must be ids separated by commas"_s);
    if (userIds->size() > maxIds || clientIds->size() > maxIds)
        return HttpAnswer::error(400, u"Too many ids"_s);

    // Whatever was asked, a person who is not an administrator gets their own
    // entries only.
    const QList<qint64> people = user.isAdmin ? *userIds : QList<qint64>{user.id};

    const QList<ReportRow> rows = m_storage.reportRows(*from, *to, people, *clientIds);
    const qint64 now = ServerTime::now();

    qint64 total = 0;
    QList<Bucket> byUser, byClient, byDay;
    QHash<qint64, qsizetype> userIndex, clientIndex;
    QHash<QString, qsizetype> dayIndex;
    // Local days change at most every quarter of an hour.
    QHash<qint64, QString> dayCache;
    QJsonArray entries;
    for (const ReportRow& r : rows) {
        // A running entry counts up to now.
        const qint64 seconds = qMax<qint64>(0, r.endedAt.value_or(now) - r.startedAt);
        total += seconds;
        add(userIndex, byUser, r.userId, r.userName, seconds);
        add(clientIndex, byClient, r.clientId.value_or(0), r.clientName.value_or(u"No client"_s),
            seconds);
        const qint64 slot = r.startedAt >= 0 ? r.startedAt / 900 : (r.startedAt - 899) / 900;
        auto day = dayCache.constFind(slot);
        if (day == dayCache.constEnd())
            day = dayCache.insert(slot, ServerTime::localDay(r.startedAt));
        add(dayIndex, byDay, *day, *day, seconds);

        QJsonObject e;
        e.insert("id"_L1, r.id);
        e.insert("user_id"_L1, r.userId);
        e.insert("user_name"_L1, r.userName);
        if (r.clientId) {
            e.insert("client_id"_L1, *r.clientId);
            e.insert("client_name"_L1, r.clientName.value_or(QString()));
            e.insert("client_color"_L1, r.clientColor.value_or(QString()));
        }
        e.insert("description"_L1, r.description);
        e.insert("started_at"_L1, ServerTime::iso(r.startedAt));
        if (r.endedAt) {
            e.insert("ended_at"_L1, ServerTime::iso(*r.endedAt));
            e.insert("duration"_L1, qMax<qint64>(0, *r.endedAt - r.startedAt));
        }
        QJsonArray shots;
        for (const QString& path : r.screenshots)
            shots.append(u"uploads/"_s + path);
        e.insert("screenshots"_L1, shots);
        entries.append(e);
    }

    QJsonObject grouped;
    grouped.insert("user"_L1, bucketsJson(byUser, false));
    grouped.insert("client"_L1, bucketsJson(byClient, false));
    grouped.insert("day"_L1, bucketsJson(byDay, true));

    QJsonObject report;
    report.insert("from"_L1, ServerTime::iso(*from));
    report.insert("to"_L1, ServerTime::iso(*to));
    report.insert("total"_L1, total);
    report.insert("grouped"_L1, grouped);
    report.insert("entries"_L1, entries);
    return HttpAnswer::json(report);
}

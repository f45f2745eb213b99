#include "ReportAction.h"

#include "JsonWriter.h"
#include "ServerTime.h"
#include "Storage.h"

#include <QHash>

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

void writeBuckets(JsonWriter& out, QList<Bucket> buckets, bool byName) {
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
    out.beginArray();
    for (const Bucket& b : buckets) {
        out.beginObject();
        out.field("name", b.name);
        out.field("seconds", b.seconds);
        out.endObject();
    }
    out.endArray();
}

// The local calendar day of instants that mostly come in order: the bounds
// of the last day looked up are kept, so each day is computed once.
class LocalDays {
public:
    const QString& of(qint64 seconds) {
        if (seconds < m_start || seconds >= m_end) {
            const QDate day = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime).date();
            m_start = QDateTime(day, QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
            m_end = QDateTime(day.addDays(1), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
            m_label = QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
            // A day whose midnight does not exist (a clock change at 0:00)
            // is not cached.
            if (!(m_start <= seconds && seconds < m_end)) {
                m_start = m_end = 0;
            }
        }
        return m_label;
    }

private:
    qint64 m_start = 0;
    qint64 m_end = 0;
    QString m_label;
};

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

    // The few people and clients, with their JSON text made once.
    QHash<qint64, QString> userNames;
    QHash<qint64, QByteArray> userJson;
    for (const ServerUser& u : m_storage.users()) {
        userNames.insert(u.id, u.name);
        userJson.insert(u.id, JsonWriter::quoted(u.name));
    }
    QHash<qint64, QString> clientNames;
    QHash<qint64, QByteArray> clientJson;
    for (const ServerClient& c : m_storage.clients()) {
        clientNames.insert(c.id, c.name);
        clientJson.insert(c.id, ",\"client_name\":" + JsonWriter::quoted(c.name) +
                                    ",\"client_color\":" + JsonWriter::quoted(c.color));
    }
    const QString noClient = u"No client"_s;

    // First the sums, so that the reply can be written front to back.
    qint64 total = 0;
    QList<Bucket> byUser, byClient, byDay;
    QHash<qint64, qsizetype> userIndex, clientIndex;
    QHash<QString, qsizetype> dayIndex;
    LocalDays days;
    for (const ReportRow& r : rows) {
        // A running entry counts up to now.
        const qint64 seconds = qMax<qint64>(0, r.endedAt.value_or(now) - r.startedAt);
        total += seconds;
        add(userIndex, byUser, r.userId, userNames.value(r.userId), seconds);
        add(clientIndex, byClient, r.clientId.value_or(0),
            r.clientId ? clientNames.value(*r.clientId) : noClient, seconds);
        const QString& day = days.of(r.startedAt);
        add(dayIndex, byDay, day, day, seconds);
    }

    JsonWriter out(rows.size() * 240 + 4096);
    out.beginObject();
    out.key("from");
    out.timestamp(*from);
    out.key("to");
    out.timestamp(*to);
    out.field("total", total);
    out.key("grouped");
    out.beginObject();
    out.key("user");
    writeBuckets(out, byUser, false);
    out.key("client");
    writeBuckets(out, byClient, false);
    out.key("day");
    writeBuckets(out, byDay, true);
    out.endObject();

    out.key("entries");
    out.beginArray();
    for (const ReportRow& r : rows) {
        out.beginObject();
        out.field("id", r.id);
        out.key("user_name");
        out.rawValue(userJson.value(r.userId));
        if (r.clientId)
            out.rawText(clientJson.value(*r.clientId));
        out.field("description", r.description);
        out.key("started_at");
        out.timestamp(r.startedAt);
        if (r.endedAt) {
            out.key("ended_at");
            out.timestamp(*r.endedAt);
            out.field("duration", qMax<qint64>(0, *r.endedAt - r.startedAt));
        }
        // Relative to the server address, which the device puts in front.
        if (!r.screenshots.isEmpty()) {
            out.key("screenshots");
            out.stringList(r.screenshots, u"uploads/"_s);
        }
        out.endObject();
    }
    out.endArray();
    out.endObject();
    const QByteArray body = out.take();

    HttpAnswer answer;
    answer.body = body;
    return answer;
}

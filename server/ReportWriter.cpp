#include "ReportWriter.h"

#include <QDateTime>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Room left in front of the entries for the head; a year of days and a team
// fit, a longer head costs one copy of the entries.
constexpr qsizetype headRoom = 64 * 1024;

} // namespace

ReportWriter::ReportWriter(const QList<ServerUser>& users, const QList<ServerClient>& clients,
                           qint64 now)
    : m_now(now)
    , m_noClient{u"No client"_s, {}}
    , m_noName(JsonWriter::quoted(QString()))
    , m_entries(1 << 20, headRoom) {
    for (const ServerUser& u : users)
        m_users.insert(u.id, {u.name, JsonWriter::quoted(u.name)});
    for (const ServerClient& c : clients) {
        m_clients.insert(c.id, {c.name, ",\"client_name\":" + JsonWriter::quoted(c.name) +
                                            ",\"client_color\":" + JsonWriter::quoted(c.color)});
    }
    m_entries.beginArray();
}

void ReportWriter::add(const ReportRow& r) {
    // A running entry counts up to now.
    const qint64 seconds = qMax<qint64>(0, r.endedAt.value_or(m_now) - r.startedAt);
    m_total += seconds;
    Party& user = party(m_users, r.userId, m_noName);
    addTo(m_byUser, user, seconds);
    Party& client = r.clientId ? party(m_clients, *r.clientId, {}) : m_noClient;
    addTo(m_byClient, client, seconds);
    if (r.startedAt < m_dayStart || r.startedAt >= m_dayEnd || m_dayBucket < 0) {
        const QString& day = dayOf(r.startedAt);
        auto it = m_dayIndex.constFind(day);
        if (it == m_dayIndex.constEnd()) {
            it = m_dayIndex.insert(day, m_byDay.size());
            m_byDay.append({day, 0});
        }
        m_dayBucket = *it;
    }
    m_byDay[m_dayBucket].seconds += seconds;

    JsonWriter& out = m_entries;
    out.beginObject();
    out.field("id", r.id);
    out.key("user_name");
    out.rawValue(user.json);
    out.rawText(client.json);
    out.key("description");
    out.utf8Value(r.description);
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
        out.utf8List(r.screenshots, "uploads/");
    }
    out.endObject();
}

QByteArray ReportWriter::finish(qint64 from, qint64 to) {
    m_entries.endArray();
    // Closes the report the head opens.
    m_entries.rawText("}");

    JsonWriter head;
    head.beginObject();
    head.key("from");
    head.timestamp(from);
    head.key("to");
    head.timestamp(to);
    head.field("total", m_total);
    head.key("grouped");
    head.beginObject();
    head.key("user");
    writeBuckets(head, m_byUser, false);
    head.key("client");
    writeBuckets(head, m_byClient, false);
    head.key("day");
    writeBuckets(head, m_byDay, true);
    head.endObject();
    head.key("entries");
    return m_entries.takeBehind(head.take());
}

const QString& ReportWriter::dayOf(qint64 seconds) {
    const QDate day = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime).date();
    m_dayStart = QDateTime(day, QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
    m_dayEnd = QDateTime(day.addDays(1), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
    m_day = QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
    // A day whose midnight does not exist (a clock change at 0:00) is not
    // kept.
    if (!(m_dayStart <= seconds && seconds < m_dayEnd))
        m_dayStart = m_dayEnd = 0;
    return m_day;
}

ReportWriter::Party& ReportWriter::party(QHash<qint64, Party>& parties, qint64 id,
                                         const QByteArray& json) {
    auto it = parties.find(id);
    // One that is gone meanwhile is summed without a name.
    if (it == parties.end())
        it = parties.insert(id, {QString(), json});
    return *it;
}

void ReportWriter::addTo(QList<Bucket>& buckets, Party& party, qint64 seconds) {
    if (party.bucket < 0) {
        party.bucket = buckets.size();
        buckets.append({party.name, 0});
    }
    buckets[party.bucket].seconds += seconds;
}

void ReportWriter::writeBuckets(JsonWriter& out, QList<Bucket> buckets, bool byName) {
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

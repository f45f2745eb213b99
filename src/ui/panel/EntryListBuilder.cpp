#include "ui/panel/EntryListBuilder.h"
#include "model/Text.h"

#include "model/Time.h"

#include <algorithm>
#include <limits>

bool ListRun::hasRunning() const {
    return std::any_of(entries.begin(), entries.end(),
                       [](const Entry& e) { return !e.endedAt.has_value(); });
}

QList<Entry> EntryListBuilder::listed(const QList<Entry>& entries, int limit) {
    struct Keyed {
        qint64 start;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.deleted)
            continue;
        const std::optional<QDateTime> start = Time::parse(e.startedAt);
        keyed.push_back(
            {start ? start->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(), i});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Keyed& a, const Keyed& b) { return a.start > b.start; });
    const size_t count = std::min(keyed.size(), size_t(std::max(limit, 0)));
    QList<Entry> result;
    result.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i)
        result.append(entries[keyed[i].index]);
    return result;
}

QString EntryListBuilder::normalized(const QString& description) {
    return Text::trimSpacesAndTabs(description).toString().toLower();
}

QList<QList<Entry>> EntryListBuilder::runs(const QList<Entry>& dayEntries) {
    QList<QList<Entry>> result;
    qsizetype i = 0;
    while (i < dayEntries.size()) {
        const Entry& first = dayEntries[i];
        const QString text = normalized(first.description);
        QList<Entry> run{first};
        qsizetype j = i + 1;
        while (j < dayEntries.size()) {
            const Entry& next = dayEntries[j];
            const QString nextText = normalized(next.description);
            if (nextText.isEmpty() || nextText != text || next.clientId != first.clientId)
                break;
            run.append(next);
            ++j;
        }
        result.append(run);
        i = j;
    }
    return result;
}

QString EntryListBuilder::groupKey(const QString& dayKey, const QList<Entry>& run) {
    if (run.isEmpty())
        return dayKey;
    const Entry& first = run.first();
    return dayKey + u'|' + normalized(first.description) + u'|' +
           first.clientId.value_or(QStringLiteral("-")) + u'|' + first.id;
}

bool EntryListBuilder::toggle(QSet<QString>& expandedGroups, const QString& key) {
    if (expandedGroups.remove(key))
        return false;
    expandedGroups.insert(key);
    return true;
}

double EntryListBuilder::shownDuration(const Entry& entry, const QDateTime& now) {
    return std::max(0.0, entry.duration(now));
}

double EntryListBuilder::finishedSum(const QList<Entry>& entries, const QDateTime& now) {
    double sum = 0;
    for (const Entry& e : entries) {
        if (e.endedAt)
            sum += shownDuration(e, now);
    }
    return sum;
}

QList<ListDay> EntryListBuilder::days(const QList<Entry>& listed, const QDateTime& now,
                                      const QSet<QString>& expandedGroups) {
    QList<ListDay> result;
    const QString nowKey = Time::dayKey(now);
    for (const Entry& e : listed) {
        const std::optional<QDateTime> start = Time::parse(e.startedAt);
        const QString key = start ? Time::dayKey(*start) : nowKey;
        if (result.isEmpty() || result.last().key != key) {
            ListDay day;
            day.key = key;
            day.title = Time::dayLabel(start ? *start : now);
            result.append(day);
        }
        result.last().entries.append(e);
    }

    for (ListDay& day : result) {
        for (const Entry& e : std::as_const(day.entries)) {
            if (!e.endedAt) {
                day.running = e;
                break;
            }
        }
        day.base = finishedSum(day.entries, now);
        for (const QList<Entry>& entries : runs(day.entries)) {
            ListRun run;
            run.entries = entries;
            if (run.isGroup()) {
                run.key = groupKey(day.key, entries);
                run.expanded = expandedGroups.contains(run.key);
            }
            day.runs.append(run);
        }
    }
    return result;
}

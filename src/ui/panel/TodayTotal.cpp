#include "ui/panel/TodayTotal.h"

#include "model/Time.h"
#include "ui/panel/EntryListBuilder.h"

double TodayTotal::base(const QList<Entry>& entries, const QDateTime& now) {
    // Today's local bounds as instants, found once: converting every start to
    // local time would consult the time zone ten thousand times.
    const QDate today = now.toLocalTime().date();
    const qint64 from = today.startOfDay().toMSecsSinceEpoch();
    const qint64 to = today.addDays(1).startOfDay().toMSecsSinceEpoch();
    double sum = 0;
    for (const Entry& e : entries) {
        if (e.deleted || !e.endedAt)
            continue;
        const std::optional<QDateTime> start = Time::parse(e.startedAt);
        if (!start)
            continue;
        const qint64 at = start->toMSecsSinceEpoch();
        if (at < from || at >= to)
            continue;
        sum += EntryListBuilder::shownDuration(e, now);
    }
    return sum;
}

double TodayTotal::shown(double base, const std::optional<Entry>& running, const QDateTime& now) {
    return base + (running ? EntryListBuilder::shownDuration(*running, now) : 0.0);
}

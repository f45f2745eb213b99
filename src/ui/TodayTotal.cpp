#include "ui/TodayTotal.h"

#include "model/Time.h"
#include "ui/EntryListBuilder.h"

double TodayTotal::base(const QList<Entry>& entries, const QDateTime& now) {
    const QDate today = now.toLocalTime().date();
    double sum = 0;
    for (const Entry& e : entries) {
        if (e.deleted || !e.endedAt)
            continue;
        const std::optional<QDateTime> start = Time::parse(e.startedAt);
        if (!start || start->toLocalTime().date() != today)
            continue;
        sum += EntryListBuilder::shownDuration(e, now);
    }
    return sum;
}

double TodayTotal::shown(double base, const std::optional<Entry>& running, const QDateTime& now) {
    return base + (running ? EntryListBuilder::shownDuration(*running, now) : 0.0);
}

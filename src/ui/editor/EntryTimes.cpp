#include "ui/editor/EntryTimes.h"

#include "model/Time.h"
#include "ui/panel/TypedDuration.h"

QDateTime EntryTimes::combine(QDate day, QTime clock, const QTimeZone& zone) {
    const QTime t = minutes(clock);
    const QDateTime joined(day, t, zone);
    if (joined.isValid())
        return joined;
    // Inside a gap: read the clock time with the offset in force before it.
    const QDateTime before(day.addDays(-1), t, zone);
    const int offset = before.isValid() ? before.offsetFromUtc() : zone.standardTimeOffset(joined);
    return QDateTime(day, t, Qt::UTC).addSecs(-offset).toTimeZone(zone);
}

QDateTime EntryTimes::endAfter(const QDateTime& start, QDate day, QTime clock,
                               const QTimeZone& zone) {
    const QDateTime end = combine(day, clock, zone);
    if (end >= start)
        return end;
    return combine(day.addDays(1), clock, zone);
}

EntryTimes::Pickers EntryTimes::pickersFor(const Entry& entry, const QDateTime& now,
                                           const QTimeZone& zone) {
    const QDateTime start = Time::parse(entry.startedAt).value_or(now).toTimeZone(zone);
    const QDateTime end = Time::parse(entry.endedAt).value_or(now).toTimeZone(zone);
    return Pickers{start.date(), minutes(start.time()), minutes(end.time())};
}

QDateTime EntryTimes::start(const Entry& entry, const Pickers& opened, const Pickers& now,
                            const QTimeZone& zone) {
    const std::optional<QDateTime> stored = Time::parse(entry.startedAt);
    if (stored && now.start == opened.start)
        return stored->toTimeZone(zone).addDays(opened.day.daysTo(now.day));
    return combine(now.day, now.start, zone);
}

QDateTime EntryTimes::end(const Entry& entry, const Pickers& opened, const Pickers& now,
                          const QDateTime& start, const QTimeZone& zone) {
    const std::optional<QDateTime> stored = Time::parse(entry.endedAt);
    if (stored && now.end == opened.end) {
        const QDateTime moved = stored->toTimeZone(zone).addDays(opened.day.daysTo(now.day));
        if (moved >= start)
            return moved;
    }
    return endAfter(start, now.day, now.end, zone);
}

EntryTimes::Saved EntryTimes::save(const Edit& edit, const QTimeZone& zone) {
    const bool running = !edit.entry.endedAt.has_value();
    if (!touched(edit) && Time::parse(edit.entry.startedAt) &&
        (running || Time::parse(edit.entry.endedAt)))
        return Saved{edit.entry.startedAt, edit.entry.endedAt};

    const QDateTime from = start(edit.entry, edit.opened, edit.now, zone);
    Saved saved{Time::iso(from), std::nullopt};
    if (running && !edit.forceEnd)
        return saved;
    QDateTime to = end(edit.entry, edit.opened, edit.now, from, zone);
    if (const std::optional<double> d = TypedDuration::seconds(edit.duration); d && *d < 1e11)
        to = from.addMSecs(qint64(*d * 1000.0));
    saved.endedAt = Time::iso(std::max(to, from));
    return saved;
}

std::optional<QString> EntryTimes::keptEnd(const Saved& saved,
                                           const std::optional<QString>& storedEnd) {
    if (saved.endedAt || !storedEnd)
        return saved.endedAt;
    const std::optional<QDateTime> start = Time::parse(saved.startedAt);
    const std::optional<QDateTime> end = Time::parse(storedEnd);
    if (start && end && *end < *start)
        return saved.startedAt;
    return storedEnd;
}

EntryTimes::Outcome EntryTimes::outcome(const Edit& edit, const QDateTime& now,
                                        const QTimeZone& zone) {
    const Saved saved = save(edit, zone);
    const std::optional<QDateTime> start = Time::parse(saved.startedAt);
    const std::optional<QDateTime> end = Time::parse(saved.endedAt);
    if (!start)
        return {};
    if (!end)
        return Outcome{double(start->msecsTo(now)) / 1000.0, 0, false};
    return Outcome{double(start->msecsTo(*end)) / 1000.0,
                   int(start->toTimeZone(zone).date().daysTo(end->toTimeZone(zone).date())),
                   *end > now};
}

QString EntryTimes::dayMark(int laterDays) {
    if (laterDays <= 0)
        return QString();
    return laterDays == 1 ? QStringLiteral("+1 day") : QStringLiteral("+%1 days").arg(laterDays);
}

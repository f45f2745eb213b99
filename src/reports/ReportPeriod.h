#pragma once

#include <QDate>
#include <QDateTime>

#include <optional>

// A period of whole days: the first and the last day included, each as the
// start of its day in the local time zone.
struct DayRange {
    QDateTime from;
    QDateTime to;

    bool operator==(const DayRange&) const = default;
};

// The instants sent with a report request: from inclusive, to exclusive.
struct QueryInterval {
    QDateTime from;
    QDateTime to;

    bool operator==(const QueryInterval&) const = default;
};

// Calendar arithmetic of report periods, in the local time zone.
namespace ReportPeriod {

// The start of the day in the local time zone (the first valid moment of the
// day where a daylight-saving change skips midnight).
QDateTime startOfDay(const QDate& day);

// The day `days` calendar days away, or `day` itself when there is no such date.
QDate shifted(const QDate& day, qint64 days);

// The first day of the week that contains `day`, for weeks that begin on
// `firstDay`.
QDate weekStart(const QDate& day, Qt::DayOfWeek firstDay);

// [start of fromDay, start of the day after toDay), or nothing when fromDay
// lies after toDay.
std::optional<QueryInterval> queryInterval(const QDate& fromDay, const QDate& toDay);

} // namespace ReportPeriod

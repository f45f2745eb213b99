#include "reports/ReportPeriod.h"

QDateTime ReportPeriod::startOfDay(const QDate& day) {
    return day.startOfDay(Qt::LocalTime);
}

QDate ReportPeriod::shifted(const QDate& day, qint64 days) {
    const QDate result = day.addDays(days);
    return result.isValid() ? result : day;
}

QDate ReportPeriod::weekStart(const QDate& day, Qt::DayOfWeek firstDay) {
    const int back = (day.dayOfWeek() - int(firstDay) + 7) % 7;
    return shifted(day, -back);
}

std::optional<QueryInterval> ReportPeriod::queryInterval(const QDate& fromDay, const QDate& toDay) {
    if (!fromDay.isValid() || !toDay.isValid() || fromDay > toDay)
        return std::nullopt;
    const QDateTime from = startOfDay(fromDay);
    const QDateTime toStart = startOfDay(toDay);
    const QDate next = toDay.addDays(1);
    const QDateTime to = next.isValid() ? startOfDay(next) : toStart.addSecs(86400);
    return QueryInterval{from, to};
}

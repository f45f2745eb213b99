#include "reports/Preset.h"

#include <QLocale>

using namespace Qt::StringLiterals;

QList<Preset> Preset::all() {
    return {Today, Yesterday, ThisWeek, LastWeek, ThisMonth, LastMonth, ThisYear, Last30};
}

std::optional<Preset> Preset::fromRaw(int raw) {
    if (raw < int(Today) || raw > int(Last30))
        return std::nullopt;
    return Preset(Value(raw));
}

QString Preset::title() const {
    switch (m_value) {
    case Today:
        return u"Today"_s;
    case Yesterday:
        return u"Yesterday"_s;
    case ThisWeek:
        return u"This week"_s;
    case LastWeek:
        return u"Last week"_s;
    case ThisMonth:
        return u"This month"_s;
    case LastMonth:
        return u"Last month"_s;
    case ThisYear:
        return u"This year"_s;
    case Last30:
        return u"Last 30 days"_s;
    }
    return {};
}

namespace {

DayRange days(const QDate& first, const QDate& last) {
    return {ReportPeriod::startOfDay(first), ReportPeriod::startOfDay(last)};
}

DayRange weekOf(const QDate& day) {
    const QDate start = ReportPeriod::weekStart(day, QLocale().firstDayOfWeek());
    return days(start, ReportPeriod::shifted(start, 6));
}

DayRange monthOf(const QDate& day) {
    const QDate start(day.year(), day.month(), 1);
    return days(start, QDate(day.year(), day.month(), day.daysInMonth()));
}

} // namespace

DayRange Preset::range(const QDateTime& now) const {
    const QDate today = now.toLocalTime().date();
    switch (m_value) {
    case Today:
        return days(today, today);
    case Yesterday: {
        const QDate day = ReportPeriod::shifted(today, -1);
        return days(day, day);
    }
    case ThisWeek:
        return weekOf(today);
    case LastWeek:
        return weekOf(ReportPeriod::shifted(today, -7));
    case ThisMonth:
        return monthOf(today);
    case LastMonth:
        return monthOf(ReportPeriod::shifted(QDate(today.year(), today.month(), 1), -1));
    case ThisYear:
        return days(QDate(today.year(), 1, 1), QDate(today.year(), 12, 31));
    case Last30:
        return days(ReportPeriod::shifted(today, -29), today);
    }
    return days(today, today);
}

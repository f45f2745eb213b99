#include "ui/report/PeriodChoice.h"

PeriodChoice::PeriodChoice(const QDateTime& now) {
    choose(Preset::ThisMonth, now);
}

void PeriodChoice::choose(Preset preset, const QDateTime& now) {
    const DayRange range = preset.range(now);
    m_from = range.from.date();
    m_to = range.to.date();
    m_active = preset;
}

void PeriodChoice::setDates(const QDate& from, const QDate& to) {
    if (from == m_from && to == m_to)
        return;
    m_from = from;
    m_to = to;
    m_active.reset();
}

#pragma once

#include "reports/Preset.h"

#include <QDate>
#include <QDateTime>

#include <optional>

// The period the report window shows: its first and last day and the preset
// that is highlighted. A preset sets both days; changing a day by hand takes
// the highlight away, as the days no longer need to match any preset.
class PeriodChoice {
public:
    // "This month", highlighted.
    explicit PeriodChoice(const QDateTime& now);

    QDate from() const { return m_from; }
    QDate to() const { return m_to; }
    std::optional<Preset> active() const { return m_active; }

    void choose(Preset preset, const QDateTime& now);
    void setDates(const QDate& from, const QDate& to);

private:
    QDate m_from;
    QDate m_to;
    std::optional<Preset> m_active;
};

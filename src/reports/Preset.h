#pragma once

#include "reports/ReportPeriod.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A period preset of the report window. Its raw value is also the tag of its
// button.
class Preset {
public:
    enum Value : int {
        Today = 0,
        Yesterday = 1,
        ThisWeek = 2,
        LastWeek = 3,
        ThisMonth = 4,
        LastMonth = 5,
        ThisYear = 6,
        Last30 = 7,
    };

    constexpr Preset(Value value)
        : m_value(value) {}

    // Every preset in raw-value order.
    static QList<Preset> all();
    // The preset of a raw value, or nothing.
    static std::optional<Preset> fromRaw(int raw);

    Value value() const { return m_value; }
    int raw() const { return int(m_value); }
    // The button title, such as "Last 30 days".
    QString title() const;

    // The first and last day of the period that `now` falls in, in the local
    // time zone, with weeks beginning on the default locale's first weekday.
    DayRange range(const QDateTime& now) const;

    bool operator==(const Preset&) const = default;

private:
    Value m_value;
};

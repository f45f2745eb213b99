#pragma once

#include "model/Entry.h"

#include <QDateTime>
#include <QList>

#include <optional>

// The panel's "TODAY TOTAL" figure.
class TodayTotal {
public:
    // Seconds of today's finished entries: not deleted, a readable start on
    // today's local date, an end.
    static double base(const QList<Entry>& entries, const QDateTime& now);
    // What the figure shows: the base plus the running entry's time, whenever
    // one runs (also when it started before today, as every tick counts it).
    static double shown(double base, const std::optional<Entry>& running, const QDateTime& now);
};

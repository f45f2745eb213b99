#pragma once

#include "model/Settings.h"
#include "model/SyncSummary.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The panel's sync status line: the colour of its dot and its text.
class SyncLine {
public:
    enum class Tone { Tertiary, Stop, Green, Orange };
    struct State {
        Tone tone;
        QString text;
        bool operator==(const State&) const = default;
    };

    static State compute(const Settings& settings, const std::optional<SyncSummary>& lastSync,
                         int pendingCount, const QDateTime& now);
    // "just now", "5 min ago", "2 h ago", "3 d ago" for the seconds elapsed.
    static QString age(double seconds);
};

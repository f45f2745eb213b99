#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// A duration typed into the composer's time box ("25", "1:30", "0:45:10").
class TypedDuration {
public:
    // Seconds, or nothing for unreadable or negative text. Spaces and tabs
    // around the text are ignored.
    static std::optional<double> seconds(const QString& text);
    // The start, as stored text, of an entry that has run that long at `now`;
    // nothing when the text is refused or the start could not be stored and
    // read back (absurdly long durations).
    static std::optional<QString> startFor(const QString& text, const QDateTime& now);
};

#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Timestamps, durations and day labels as the whole program writes and reads
// them. Timestamps are RFC 3339 text in UTC without fractional seconds
// ("2026-01-05T09:30:00Z"); readers also accept fractions and offsets.
class Time {
public:
    // UTC text without fractional seconds.
    static QString iso(const QDateTime& instant);
    // Text to an instant; nothing for absent, empty or unreadable text.
    static std::optional<QDateTime> parse(QStringView text);
    static std::optional<QDateTime> parse(const QString& text) { return parse(QStringView(text)); }
    static std::optional<QDateTime> parse(const std::optional<QString>& text);

    // Status-item text: "m:ss" below an hour, "h:mm:ss" from an hour on.
    static QString menuBar(double seconds);
    // "h:mm:ss", also below an hour.
    static QString hms(double seconds);

    // Calendar day of the instant in the local time zone: "yyyy-MM-dd".
    static QString dayKey(const QDateTime& instant);
    // "Today", "Yesterday" or the local date such as "Mon, 5 Jan".
    static QString dayLabel(const QDateTime& instant);

    // A typed duration in seconds, or nothing: "25" minutes, "1.5" hours (a
    // lone number with a decimal point), "1:30" hours and minutes, "0:45:10"
    // hours, minutes and seconds. Negative results are returned; callers
    // refuse them.
    static std::optional<double> parseDuration(QStringView text);

    // Whole, non-negative seconds used by the duration texts.
    static qint64 wholeSeconds(double seconds);
};

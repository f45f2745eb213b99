#pragma once

#include <QString>

#include <optional>

// The server keeps every instant as whole seconds since the Unix epoch and
// writes them as UTC text without fractional seconds.
class ServerTime {
public:
    // The current instant in whole seconds.
    static qint64 now();
    // "yyyy-MM-ddTHH:mm:ssZ".
    static QString iso(qint64 seconds);
    // The same text into `buffer`; gives its length.
    static constexpr int isoBufferSize = 48;
    static int formatIso(qint64 seconds, char* buffer);
    // Whole seconds of an RFC 3339 text (fractions are dropped), or nothing.
    static std::optional<qint64> parse(const QString& text);
    // "yyyy-MM-dd" of the instant in the server's local time zone.
    static QString localDay(qint64 seconds);
};

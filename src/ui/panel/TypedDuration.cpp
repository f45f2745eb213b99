#include "ui/panel/TypedDuration.h"
#include "model/Text.h"

#include "model/Time.h"

std::optional<double> TypedDuration::seconds(const QString& text) {
    const std::optional<double> s = Time::parseDuration(Text::trimSpacesAndTabs(text));
    if (!s || *s < 0)
        return std::nullopt;
    return s;
}

std::optional<QString> TypedDuration::startFor(const QString& text, const QDateTime& now) {
    const std::optional<double> s = seconds(text);
    // Beyond a few thousand years the arithmetic below would leave the range
    // of stored timestamps.
    constexpr double longest = 1e11;
    if (!s || *s > longest)
        return std::nullopt;
    const QString start = Time::iso(now.addMSecs(-qint64(*s * 1000.0)));
    if (!Time::parse(start))
        return std::nullopt;
    return start;
}

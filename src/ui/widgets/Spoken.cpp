#include "ui/widgets/Spoken.h"

#include "model/Time.h"

#include <QStringList>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString count(qint64 n, const QString& unit) {
    return u"%1 %2%3"_s.arg(n).arg(unit, n == 1 ? QString() : u"s"_s);
}

} // namespace

QString Spoken::duration(double seconds) {
    const qint64 whole = std::isfinite(seconds) && seconds > 0 ? qint64(std::floor(seconds)) : 0;
    const qint64 hours = whole / 3600, minutes = whole % 3600 / 60, rest = whole % 60;
    QStringList parts;
    if (hours > 0) {
        parts.append(count(hours, u"hour"_s));
        if (minutes > 0)
            parts.append(count(minutes, u"minute"_s));
    } else {
        if (minutes > 0)
            parts.append(count(minutes, u"minute"_s));
        if (rest > 0 || minutes == 0)
            parts.append(count(rest, u"second"_s));
    }
    return parts.join(u' ');
}

QString Spoken::figure(const QString& text) {
    // Only the panel's own h:mm:ss figures are spoken as durations.
    if (text.count(u':') != 2)
        return text;
    const std::optional<double> seconds = Time::parseDuration(text);
    return seconds ? duration(*seconds) : text;
}

QString Spoken::row(const QString& description, const QString& client, double seconds) {
    return description + u", "_s + client + u", "_s + duration(seconds);
}

#include "ServerTime.h"

#include "model/Clock.h"
#include "model/Time.h"

#include <cstdio>

namespace {

// Days since 1970-01-01 to a proleptic Gregorian date.
void civilFromDays(qint64 days, qint64& year, unsigned& month, unsigned& day) {
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = unsigned(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = qint64(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

} // namespace

qint64 ServerTime::now() {
    return Clock::now().toSecsSinceEpoch();
}

QString ServerTime::iso(qint64 seconds) {
    char buffer[isoBufferSize];
    const int length = formatIso(seconds, buffer);
    return QString::fromLatin1(buffer, length);
}

int ServerTime::formatIso(qint64 seconds, char* buffer) {
    qint64 days = seconds / 86400;
    qint64 rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    qint64 year = 0;
    unsigned month = 0, day = 0;
    civilFromDays(days, year, month, day);
    if (year < 0 || year > 9999) {
        const int n = std::snprintf(
            buffer, isoBufferSize, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ",
            static_cast<long long>(year), month, day, static_cast<long long>(rest / 3600),
            static_cast<long long>(rest % 3600 / 60), static_cast<long long>(rest % 60));
        return qMin(n, isoBufferSize - 1);
    }
    // The common case without printf: fixed-width digits.
    auto put = [buffer](int at, qint64 value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            buffer[at + i] = char('0' + value % 10);
            value /= 10;
        }
    };
    put(0, year, 4);
    buffer[4] = '-';
    put(5, month, 2);
    buffer[7] = '-';
    put(8, day, 2);
    buffer[10] = 'T';
    put(11, rest / 3600, 2);
    buffer[13] = ':';
    put(14, rest % 3600 / 60, 2);
    buffer[16] = ':';
    put(17, rest % 60, 2);
    buffer[19] = 'Z';
    buffer[20] = '\0';
    return 20;
}

std::optional<qint64> ServerTime::parse(const QString& text) {
    const std::optional<QDateTime> instant = Time::parse(text);
    if (!instant)
        return std::nullopt;
    // Whole seconds, rounding toward the past for instants before the epoch.
    const qint64 ms = instant->toMSecsSinceEpoch();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

QString ServerTime::localDay(qint64 seconds) {
    return Time::dayKey(QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC));
}

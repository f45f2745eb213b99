#include "model/Time.h"
#include "model/Text.h"

#include "model/Clock.h"

#include <QLocale>

#include <cmath>
#include <cstdio>

namespace {

bool digitsAt(QStringView s, qsizetype pos, int count, int& out) {
    if (pos + count > s.size())
        return false;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const QChar c = s[pos + i];
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    out = value;
    return true;
}

// Strict RFC 3339 reader: yyyy-MM-ddTHH:mm:ss[.fraction](Z|+hh:mm|-hh:mm).
std::optional<QDateTime> parseRfc3339(QStringView s) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digitsAt(s, 0, 4, year) || s.size() < 20 || s[4] != u'-' || !digitsAt(s, 5, 2, month) ||
        s[7] != u'-' || !digitsAt(s, 8, 2, day) || s[10] != u'T' || !digitsAt(s, 11, 2, hour) ||
        s[13] != u':' || !digitsAt(s, 14, 2, minute) || s[16] != u':' ||
        !digitsAt(s, 17, 2, second))
        return std::nullopt;

    qsizetype pos = 19;
    int msecs = 0;
    if (pos < s.size() && s[pos] == u'.') {
        ++pos;
        const qsizetype start = pos;
        int scale = 100;
        while (pos < s.size() && s[pos] >= u'0' && s[pos] <= u'9') {
            msecs += (s[pos].unicode() - u'0') * scale;
            scale /= 10;
            ++pos;
        }
        if (pos == start)
            return std::nullopt;
    }
    if (pos >= s.size())
        return std::nullopt;

    int offsetSeconds = 0;
    if (s[pos] == u'Z') {
        ++pos;
    } else if (s[pos] == u'+' || s[pos] == u'-') {
        int oh = 0, om = 0;
        if (!digitsAt(s, pos + 1, 2, oh) || pos + 3 >= s.size() || s[pos + 3] != u':' ||
            !digitsAt(s, pos + 4, 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offsetSeconds = (oh * 3600 + om * 60) * (s[pos] == u'-' ? -1 : 1);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != s.size())
        return std::nullopt;

    const QDate date(year, month, day);
    const QTime time(hour, minute, second, msecs);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    QDateTime result(date, time, Qt::UTC);
    return result.addSecs(-offsetSeconds);
}

QString formatHms(qint64 s) {
    return QString::asprintf("%lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
}

} // namespace

QString Time::iso(const QDateTime& instant) {
    const QDateTime utc = instant.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year(), d.month(),
                  d.day(), t.hour(), t.minute(), t.second());
    return QString::fromLatin1(buffer);
}

std::optional<QDateTime> Time::parse(QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    return parseRfc3339(text);
}

std::optional<QDateTime> Time::parse(const std::optional<QString>& text) {
    if (!text)
        return std::nullopt;
    return parse(QStringView(*text));
}

qint64 Time::wholeSeconds(double seconds) {
    if (std::isnan(seconds) || seconds <= 0)
        return 0;
    constexpr double limit = 1e15; // far beyond any real duration, safe to convert
    return qint64(std::floor(std::min(seconds, limit)));
}

QString Time::menuBar(double seconds) {
    const qint64 s = wholeSeconds(seconds);
    if (s >= 3600)
        return formatHms(s);
    return QString::asprintf("%lld:%02lld", s / 60, s % 60);
}

QString Time::hms(double seconds) {
    return formatHms(wholeSeconds(seconds));
}

QString Time::dayKey(const QDateTime& instant) {
    const QDate d = instant.toLocalTime().date();
    return QString::asprintf("%04d-%02d-%02d", d.year(), d.month(), d.day());
}

QString Time::dayLabel(const QDateTime& instant) {
    const QDate day = instant.toLocalTime().date();
    const QDate today = Clock::now().toLocalTime().date();
    if (day == today)
        return QStringLiteral("Today");
    if (day == today.addDays(-1))
        return QStringLiteral("Yesterday");
    return QLocale().toString(day, QStringLiteral("ddd, d MMM"));
}

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Decimal number: optional sign, digits with an optional fraction (at least one
// digit in all), optional exponent. No hexadecimal, no "inf" or "nan".
std::optional<double> parseDecimal(QStringView s) {
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype mantissaDigits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(s, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> Time::parseDuration(QStringView text) {
    QList<double> numbers;
    bool decimalPoint = false;
    for (QStringView piece : text.split(u':', Qt::SkipEmptyParts)) {
        if (numbers.size() == 3)
            return std::nullopt;
        const QStringView trimmed = Text::trimSpacesAndTabs(piece);
        const std::optional<double> n = parseDecimal(trimmed);
        if (!n)
            return std::nullopt;
        numbers.append(*n);
        decimalPoint = trimmed.contains(u'.');
    }
    double seconds = 0;
    switch (numbers.size()) {
    case 1:
        // Whole numbers are minutes ("25"); decimal ones are hours ("1.5" is
        // ninety minutes), as people write fractions of an hour.
        seconds = numbers[0] * (decimalPoint ? 3600 : 60);
        break;
    case 2:
        seconds = numbers[0] * 3600 + numbers[1] * 60;
        break;
    case 3:
        seconds = numbers[0] * 3600 + numbers[1] * 60 + numbers[2];
        break;
    default:
        return std::nullopt;
    }
    if (!std::isfinite(seconds))
        return std::nullopt;
    return seconds;
}

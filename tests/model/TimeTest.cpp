#include "model/Time.h"
#include "TestEnv.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}
} // namespace

// Timestamp text, duration texts, day keys and labels, typed durations.
class TimeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void iso_data() {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("text");

        QTest::newRow("utc") << utc(2026, 1, 5, 9, 30) << u"2026-01-05T09:30:00Z"_s;
        QTest::newRow("fraction dropped")
            << utc(2026, 1, 5, 9, 30, 59, 999) << u"2026-01-05T09:30:59Z"_s;
        QTest::newRow("offset converted")
            << QDateTime(QDate(2026, 1, 5), QTime(1, 15), Qt::OffsetFromUTC, -8 * 3600)
            << u"2026-01-05T09:15:00Z"_s;
        QTest::newRow("early year") << utc(999, 12, 31, 23, 59, 59) << u"0999-12-31T23:59:59Z"_s;
    }

    void iso() {
        QFETCH(QDateTime, instant);
        QFETCH(QString, text);
        QCOMPARE(Time::iso(instant), text);
    }

    void isoIgnoresLocalZone() {
        TestEnv env(utc(2026, 1, 5, 9, 30), "IST-5:30"); // Asia/Kolkata
        QCOMPARE(Time::iso(utc(2026, 1, 5, 9, 30).toLocalTime()), u"2026-01-05T09:30:00Z"_s);
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected"); // invalid: nothing

        const QDateTime none;
        QTest::newRow("plain") << u"2026-01-05T09:30:00Z"_s << utc(2026, 1, 5, 9, 30);
        QTest::newRow("fraction") << u"2026-01-05T09:30:00.250Z"_s
                                  << utc(2026, 1, 5, 9, 30, 0, 250);
        QTest::newRow("one digit fraction")
            << u"2026-01-05T09:30:00.5Z"_s << utc(2026, 1, 5, 9, 30, 0, 500);
        QTest::newRow("microseconds")
            << u"2026-01-05T09:30:00.123456Z"_s << utc(2026, 1, 5, 9, 30, 0, 123);
        QTest::newRow("positive offset")
            << u"2026-01-05T11:30:00+02:00"_s << utc(2026, 1, 5, 9, 30);
        QTest::newRow("negative offset")
            << u"2026-01-05T04:00:00-05:30"_s << utc(2026, 1, 5, 9, 30);
        QTest::newRow("offset across midnight")
            << u"2026-01-04T23:30:00-10:00"_s << utc(2026, 1, 5, 9, 30);
        QTest::newRow("fraction and offset")
            << u"2026-01-05T10:30:00.250+01:00"_s << utc(2026, 1, 5, 9, 30, 0, 250);
        QTest::newRow("leap day") << u"2024-02-29T00:00:00Z"_s << utc(2024, 2, 29, 0, 0);
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("garbage") << u"yesterday"_s << none;
        QTest::newRow("date only") << u"2026-01-05"_s << none;
        QTest::newRow("no zone") << u"2026-01-05T09:30:00"_s << none;
        QTest::newRow("space for T") << u"2026-01-05 09:30:00Z"_s << none;
        QTest::newRow("empty fraction") << u"2026-01-05T09:30:00.Z"_s << none;
        QTest::newRow("trailing text") << u"2026-01-05T09:30:00Zjunk"_s << none;
        QTest::newRow("leading blank") << u" 2026-01-05T09:30:00Z"_s << none;
        QTest::newRow("no such day") << u"2026-02-30T09:30:00Z"_s << none;
        QTest::newRow("hour 24") << u"2026-01-05T24:00:00Z"_s << none;
        QTest::newRow("minute 60") << u"2026-01-05T09:60:00Z"_s << none;
        QTest::newRow("offset hour 24") << u"2026-01-05T09:30:00+24:00"_s << none;
        QTest::newRow("offset without colon") << u"2026-01-05T09:30:00+0200"_s << none;
        QTest::newRow("short offset") << u"2026-01-05T09:30:00+02"_s << none;
        QTest::newRow("non-ascii digits") << u"٢٠٢٦-01-05T09:30:00Z"_s << none;
    }

    void parse() {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const std::optional<QDateTime> got = Time::parse(text);
        QCOMPARE(got.has_value(), expected.isValid());
        if (got) {
            QCOMPARE(got->toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
            QCOMPARE(*got, expected);
        }
    }

    void parseOptional() {
        QCOMPARE(Time::parse(std::optional<QString>()), std::nullopt);
        QCOMPARE(Time::parse(std::optional<QString>(QString())), std::nullopt);
        QCOMPARE(Time::parse(std::optional<QString>(u"2026-01-05T09:30:00Z"_s)),
                 std::optional<QDateTime>(utc(2026, 1, 5, 9, 30)));
    }

    void isoParsesBack() {
        const QDateTime t = utc(2026, 7, 1, 23, 59, 58, 750);
        QCOMPARE(*Time::parse(Time::iso(t)), utc(2026, 7, 1, 23, 59, 58));
    }

    void durationTexts_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("menuBar");
        QTest::addColumn<QString>("hms");

        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("zero") << 0.0 << u"0:00"_s << u"0:00:00"_s;
        QTest::newRow("seven") << 7.0 << u"0:07"_s << u"0:00:07"_s;
        QTest::newRow("just under a minute") << 59.999 << u"0:59"_s << u"0:00:59"_s;
        QTest::newRow("one minute") << 60.0 << u"1:00"_s << u"0:01:00"_s;
        QTest::newRow("3599.9") << 3599.9 << u"59:59"_s << u"0:59:59"_s;
        QTest::newRow("3600") << 3600.0 << u"1:00:00"_s << u"1:00:00"_s;
        QTest::newRow("a day less a second") << 86399.0 << u"23:59:59"_s << u"23:59:59"_s;
        QTest::newRow("hundred hours") << 360000.0 << u"100:00:00"_s << u"100:00:00"_s;
        QTest::newRow("huge") << 1e12 << u"277777777:46:40"_s << u"277777777:46:40"_s;
        QTest::newRow("negative") << -5.0 << u"0:00"_s << u"0:00:00"_s;
        QTest::newRow("small negative") << -0.5 << u"0:00"_s << u"0:00:00"_s;
        QTest::newRow("negative infinity") << -inf << u"0:00"_s << u"0:00:00"_s;
        QTest::newRow("nan") << nan << u"0:00"_s << u"0:00:00"_s;
    }

    void durationTexts() {
        QFETCH(double, seconds);
        QFETCH(QString, menuBar);
        QFETCH(QString, hms);
        QCOMPARE(Time::menuBar(seconds), menuBar);
        QCOMPARE(Time::hms(seconds), hms);
    }

    // Values beyond any real duration still give a well-formed text.
    void durationTextsOfUnrealValues_data() {
        QTest::addColumn<double>("seconds");
        QTest::newRow("1e300") << 1e300;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("max double") << std::numeric_limits<double>::max();
    }

    void durationTextsOfUnrealValues() {
        QFETCH(double, seconds);
        static const QRegularExpression form(u"^[1-9][0-9]*:[0-5][0-9]:[0-5][0-9]$"_s);
        QVERIFY2(form.match(Time::menuBar(seconds)).hasMatch(), qPrintable(Time::menuBar(seconds)));
        QVERIFY2(form.match(Time::hms(seconds)).hasMatch(), qPrintable(Time::hms(seconds)));
    }

    void days_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("label");

        const QDateTime monday = utc(2026, 1, 5, 9, 30); // 10:30 Berlin, 01:30 Los Angeles
        // The zones' rules written out, so no time-zone database is needed.
        const QByteArray berlin = "CET-1CEST,M3.5.0,M10.5.0/3"; // Europe/Berlin
        const QByteArray la = "PST8PDT,M3.2.0,M11.1.0";         // America/Los_Angeles
        QTest::newRow("Berlin: same instant")
            << berlin << monday << monday << u"2026-01-05"_s << u"Today"_s;
        QTest::newRow("LA: same instant")
            << la << monday << monday << u"2026-01-05"_s << u"Today"_s;
        QTest::newRow("Berlin: just after local midnight")
            << berlin << monday << utc(2026, 1, 4, 23, 30) << u"2026-01-05"_s << u"Today"_s;
        QTest::newRow("LA: same instant is yesterday")
            << la << monday << utc(2026, 1, 4, 23, 30) << u"2026-01-04"_s << u"Yesterday"_s;
        QTest::newRow("Berlin: local 22:59 the day before")
            << berlin << monday << utc(2026, 1, 4, 21, 59) << u"2026-01-04"_s << u"Yesterday"_s;
        QTest::newRow("LA: last minute of yesterday")
            << la << monday << utc(2026, 1, 5, 7, 59) << u"2026-01-04"_s << u"Yesterday"_s;
        QTest::newRow("LA: first minute of today")
            << la << monday << utc(2026, 1, 5, 8, 0) << u"2026-01-05"_s << u"Today"_s;
        QTest::newRow("Berlin: two days back")
            << berlin << monday << utc(2026, 1, 3, 12, 0) << u"2026-01-03"_s << u"Sat, 3 Jan"_s;
        QTest::newRow("LA: two days back, local date")
            << la << monday << utc(2026, 1, 4, 7, 0) << u"2026-01-03"_s << u"Sat, 3 Jan"_s;
        QTest::newRow("Berlin: tomorrow is a date")
            << berlin << monday << utc(2026, 1, 6, 12, 0) << u"2026-01-06"_s << u"Tue, 6 Jan"_s;
        QTest::newRow("LA: across the year")
            << la << utc(2026, 1, 1, 7, 0) << utc(2025, 12, 31, 9, 0) << u"2025-12-31"_s
            << u"Today"_s;
        QTest::newRow("LA: last year") << la << utc(2026, 1, 1, 9, 0) << utc(2025, 6, 1, 18, 0)
                                       << u"2025-06-01"_s << u"Sun, 1 Jun"_s;
        QTest::newRow("Berlin: yesterday across the spring change")
            << berlin << utc(2026, 3, 29, 22, 30) << utc(2026, 3, 28, 23, 30) << u"2026-03-29"_s
            << u"Yesterday"_s;
        QTest::newRow("Berlin: today after the spring change")
            << berlin << utc(2026, 3, 29, 22, 30) << utc(2026, 3, 29, 22, 1) << u"2026-03-30"_s
            << u"Today"_s;
        QTest::newRow("LA: yesterday was 25 hours long")
            << la << utc(2026, 11, 2, 8, 30) << utc(2026, 11, 1, 7, 30) << u"2026-11-01"_s
            << u"Yesterday"_s;
    }

    void days() {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, instant);
        QFETCH(QString, key);
        QFETCH(QString, label);
        TestEnv env(now, zone);
        QCOMPARE(Time::dayKey(instant), key);
        QCOMPARE(Time::dayLabel(instant), label);
        // The same instant written with another offset is the same day.
        QCOMPARE(Time::dayKey(instant.toOffsetFromUtc(5 * 3600)), key);
    }

    void dayLabelFollowsClock() {
        TestEnv env(utc(2026, 1, 5, 9, 30), "CET-1CEST,M3.5.0,M10.5.0/3");
        const QDateTime instant = utc(2026, 1, 5, 9, 0);
        QCOMPARE(Time::dayLabel(instant), u"Today"_s);
        env.clock().advance(24LL * 3600 * 1000);
        QCOMPARE(Time::dayLabel(instant), u"Yesterday"_s);
        env.clock().advance(24LL * 3600 * 1000);
        QCOMPARE(Time::dayLabel(instant), u"Mon, 5 Jan"_s);
    }

    void parseDuration_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("seconds");

        QTest::newRow("25") << u"25"_s << true << 1500.0;
        QTest::newRow("1:30") << u"1:30"_s << true << 5400.0;
        QTest::newRow("0:45:10") << u"0:45:10"_s << true << 2710.0;
        QTest::newRow(" 2 : 05 ") << u" 2 : 05 "_s << true << 7500.0;
        QTest::newRow("tabs") << u"\t1\t:\t0\t"_s << true << 3600.0;
        QTest::newRow("1::30") << u"1::30"_s << true << 5400.0;
        QTest::newRow(":45") << u":45"_s << true << 2700.0;
        QTest::newRow("45:") << u"45:"_s << true << 2700.0;
        QTest::newRow("1.5") << u"1.5"_s << true << 5400.0;
        QTest::newRow("0.5:30") << u"0.5:30"_s << true << 3600.0;
        QTest::newRow("2:75") << u"2:75"_s << true << 11700.0;
        QTest::newRow("1:2:3.5") << u"1:2:3.5"_s << true << 3723.5;
        QTest::newRow("-5") << u"-5"_s << true << -300.0;
        QTest::newRow("+5") << u"+5"_s << true << 300.0;
        QTest::newRow(".5 hours") << u".5"_s << true << 1800.0;
        QTest::newRow("5. hours") << u"5."_s << true << 18000.0;
        QTest::newRow("-0.25 hours") << u"-0.25"_s << true << -900.0;
        QTest::newRow("1e1") << u"1e1"_s << true << 600.0;
        QTest::newRow("2E-1") << u"2E-1"_s << true << 12.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("only colons") << u":::"_s << false << 0.0;
        QTest::newRow("blank") << u"   "_s << false << 0.0;
        QTest::newRow("blank piece") << u"1: :30"_s << false << 0.0;
        QTest::newRow("1:2:3:4") << u"1:2:3:4"_s << false << 0.0;
        QTest::newRow("letters") << u"abc"_s << false << 0.0;
        QTest::newRow("unit suffix") << u"25m"_s << false << 0.0;
        QTest::newRow("inner space") << u"1 5"_s << false << 0.0;
        QTest::newRow("comma decimal") << u"1,5"_s << false << 0.0;
        QTest::newRow("inf") << u"inf"_s << false << 0.0;
        QTest::newRow("infinity") << u"-Infinity"_s << false << 0.0;
        QTest::newRow("nan") << u"nan"_s << false << 0.0;
        QTest::newRow("1e400") << u"1e400"_s << false << 0.0;
        QTest::newRow("overflow after scaling") << u"1e306:0"_s << false << 0.0;
        QTest::newRow("0x10") << u"0x10"_s << false << 0.0;
        QTest::newRow("lone sign") << u"-"_s << false << 0.0;
        QTest::newRow("lone dot") << u"."_s << false << 0.0;
        QTest::newRow("exponent without digits") << u"1e"_s << false << 0.0;
        QTest::newRow("newline") << u"5\n"_s << false << 0.0;
        QTest::newRow("arabic digits") << u"٢٥"_s << false << 0.0;
    }

    void parseDuration() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, seconds);
        const std::optional<double> got = Time::parseDuration(text);
        QCOMPARE(got.has_value(), valid);
        if (got)
            QCOMPARE(*got, seconds);
    }

    // Reading does not depend on the user's locale (no decimal comma).
    void parseDurationIgnoresLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Time::parseDuration(u"1.5:0"_s), std::optional<double>(5400.0));
        QCOMPARE(Time::parseDuration(u"1,5:0"_s), std::nullopt);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
};

QTEST_GUILESS_MAIN(TimeTest)
#include "TimeTest.moc"

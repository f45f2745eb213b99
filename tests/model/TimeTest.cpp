#include "model/Time.h"
#include "TestEnv.h"
#include "model/ClockTimer.h"

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

// Timestamp text, duration texts, day keys and labels, typed durations, and
// timers on the manual clock.
class TimeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void iso() {
        QCOMPARE(
            Time::iso(QDateTime(QDate(2026, 1, 5), QTime(1, 15), Qt::OffsetFromUTC, -8 * 3600)),
            u"2026-01-05T09:15:00Z"_s);
        QCOMPARE(Time::iso(utc(999, 12, 31, 23, 59, 59, 999)), u"0999-12-31T23:59:59Z"_s);
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected"); // invalid: nothing

        const QDateTime none;
        QTest::newRow("plain") << u"2026-01-05T09:30:00Z"_s << utc(2026, 1, 5, 9, 30);
        QTest::newRow("microseconds")
            << u"2026-01-05T09:30:00.123456Z"_s << utc(2026, 1, 5, 9, 30, 0, 123);
        QTest::newRow("offset +23:59") << u"2026-01-06T09:29:00+23:59"_s << utc(2026, 1, 5, 9, 30);
        QTest::newRow("negative offset across midnight")
            << u"2026-01-04T23:30:00-10:00"_s << utc(2026, 1, 5, 9, 30);
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("no zone") << u"2026-01-05T09:30:00"_s << none;
        QTest::newRow("trailing text") << u"2026-01-05T09:30:00Zjunk"_s << none;
        QTest::newRow("no such day") << u"2026-02-29T09:30:00Z"_s << none;
        QTest::newRow("hour 24") << u"2026-01-05T24:00:00Z"_s << none;
        QTest::newRow("offset hour 24") << u"2026-01-05T09:30:00+24:00"_s << none;
        QTest::newRow("offset minute 60") << u"2026-01-05T09:30:00+01:60"_s << none;
        QTest::newRow("short offset") << u"2026-01-05T09:30:00+02:0"_s << none;
    }

    void parse() {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const std::optional<QDateTime> got = Time::parse(text);
        QCOMPARE(got.has_value(), expected.isValid());
        if (got)
            QCOMPARE(*got, expected);
    }

    void durationTexts_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("menuBar");
        QTest::addColumn<QString>("hms");

        QTest::newRow("59.999") << 59.999 << u"0:59"_s << u"0:00:59"_s;
        QTest::newRow("3599.9") << 3599.9 << u"59:59"_s << u"0:59:59"_s;
        QTest::newRow("3600") << 3600.0 << u"1:00:00"_s << u"1:00:00"_s;
        QTest::newRow("negative") << -0.5 << u"0:00"_s << u"0:00:00"_s;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << u"0:00"_s
                             << u"0:00:00"_s;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                                  << u"277777777777:46:40"_s << u"277777777777:46:40"_s;
    }

    void durationTexts() {
        QFETCH(double, seconds);
        QFETCH(QString, menuBar);
        QFETCH(QString, hms);
        QCOMPARE(Time::menuBar(seconds), menuBar);
        QCOMPARE(Time::hms(seconds), hms);
    }

    void days_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("label");

        const QDateTime monday = utc(2026, 1, 5, 9, 30); // 10:30 Berlin, 01:30 Los Angeles
        // The zones' rules written out, so no time-zone database is needed.
        const QByteArray berlin = "CET-1CEST,M3.5.0,M10.5.0/3";
        const QByteArray la = "PST8PDT,M3.2.0,M11.1.0";
        QTest::newRow("LA: last minute of yesterday")
            << la << monday << utc(2026, 1, 5, 7, 59) << u"2026-01-04"_s << u"Yesterday"_s;
        QTest::newRow("LA: first minute of today")
            << la << monday << utc(2026, 1, 5, 8, 0) << u"2026-01-05"_s << u"Today"_s;
        QTest::newRow("Berlin: tomorrow is a date")
            << berlin << monday << utc(2026, 1, 6, 12, 0) << u"2026-01-06"_s << u"Tue, 6 Jan"_s;
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
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        TestEnv env(now, zone);
        QCOMPARE(Time::dayKey(instant.toOffsetFromUtc(5 * 3600)), key);
        QCOMPARE(Time::dayLabel(instant), label);
    }

    void parseDuration_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds"); // NaN: refused

        const double no = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("minutes") << u"25"_s << 1500.0;
        QTest::newRow("hours and minutes") << u" 1 :\t30 "_s << 5400.0;
        QTest::newRow("three parts") << u"0:45:10.5"_s << 2710.5;
        QTest::newRow("decimal hours") << u"1.5"_s << 5400.0;
        QTest::newRow("negative returned") << u"-5"_s << -300.0;
        QTest::newRow("four parts") << u"1:2:3:4"_s << no;
        QTest::newRow("empty") << QString() << no;
        QTest::newRow("blank part") << u"1: :30"_s << no;
        QTest::newRow("unit") << u"25m"_s << no;
        QTest::newRow("decimal comma") << u"1,5"_s << no;
        QTest::newRow("inf") << u"inf"_s << no;
        QTest::newRow("overflow after scaling") << u"1e306:0"_s << no;
    }

    // Reading does not follow the user's locale (no decimal comma).
    void parseDuration() {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const std::optional<double> got = Time::parseDuration(text);
        QCOMPARE(got.has_value(), !std::isnan(seconds));
        if (got)
            QCOMPARE(*got, seconds);
    }

    // Timers fire when due and never early, see their due instant as "now",
    // restart on start() and stay silent once stopped or gone.
    void clockTimers() {
        TestEnv env;
        QStringList fired;
        ClockTimer once, again, stopped;
        auto gone = std::make_unique<ClockTimer>();
        const auto record = [&fired](ClockTimer& timer, const QString& name) {
            QObject::connect(&timer, &ClockTimer::timeout, [&fired, name] {
                fired << name + QString::number(utc(2026, 1, 5, 9, 30).msecsTo(Clock::now()));
            });
        };
        record(once, u"once "_s);
        record(again, u"again "_s);
        record(stopped, u"stopped "_s);
        QObject::connect(&again, &ClockTimer::timeout, [&again] { again.start(1000); });
        QObject::connect(&once, &ClockTimer::timeout, [&stopped] { stopped.stop(); });
        once.start(5000);
        again.start(600);
        stopped.start(3000);
        gone->start(500);
        gone.reset();
        env.clock().advance(600);
        once.start(1000); // restarted: due at 1600
        env.clock().advance(999);
        QCOMPARE(fired, QStringList{u"again 600"_s});
        env.clock().advance(2001);
        QCOMPARE(fired, (QStringList{u"again 600"_s, u"again 1600"_s, u"once 1600"_s,
                                     u"again 2600"_s, u"again 3600"_s}));
        QVERIFY(!once.isActive() && !stopped.isActive() && again.isActive());
    }
};

QTEST_GUILESS_MAIN(TimeTest)
#include "TimeTest.moc"

#include "reports/Preset.h"
#include "TestEnv.h"
#include "model/Time.h"
#include "reports/ReportPeriod.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

// The period presets and the query interval: calendar days in the local time
// zone, weeks from the locale's first weekday on every day of the week, month
// and year edges, daylight-saving changes inside the period.
class PresetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void weeksOnEveryWeekday_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("day"); // of January 2026; the 12th is a Monday
        QTest::addColumn<int>("weekStart");
        for (int day = 12; day <= 18; ++day) {
            QTest::addRow("Monday first, %d", day) << u"de_DE"_s << day << 12;
            QTest::addRow("Sunday first, %d", day) << u"en_US"_s << day << (day == 18 ? 18 : 11);
        }
    }

    void weeksOnEveryWeekday() {
        QFETCH(QString, locale);
        QFETCH(int, day);
        QFETCH(int, weekStart);
        QLocale::setDefault(QLocale(locale));
        TestEnv env(QDateTime(QDate(2026, 1, day), QTime(12, 0), Qt::UTC), "Europe/Berlin");
        for (const QTime& time : {QTime(0, 0), QTime(23, 59)}) {
            const QDateTime now(QDate(2026, 1, day), time, Qt::LocalTime);
            const DayRange week = Preset(Preset::ThisWeek).range(now);
            const DayRange last = Preset(Preset::LastWeek).range(now);
            QCOMPARE(week.from, QDateTime(QDate(2026, 1, weekStart), QTime(0, 0), Qt::LocalTime));
            QCOMPARE(week.to, week.from.addDays(6));
            QCOMPARE(last.from, week.from.addDays(-7));
            QCOMPARE(last.to, week.from.addDays(-1));
        }
    }

    void range_data() {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("preset");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        // Berlin: UTC+1 in winter, UTC+2 from 29 March 2026 to 25 October 2026.
        const QByteArray berlin = "Europe/Berlin", ny = "America/New_York";
        QTest::newRow("today at 23:59") << berlin << u"2026-01-15T22:59:00Z"_s << int(Preset::Today)
                                        << u"2026-01-14T23:00:00Z"_s << u"2026-01-14T23:00:00Z"_s;
        QTest::newRow("this week after the spring change")
            << berlin << u"2026-03-31T10:00:00Z"_s << int(Preset::ThisWeek)
            << u"2026-03-29T22:00:00Z"_s << u"2026-04-04T22:00:00Z"_s;
        QTest::newRow("this month on its first day")
            << berlin << u"2026-02-28T23:00:00Z"_s << int(Preset::ThisMonth)
            << u"2026-02-28T23:00:00Z"_s << u"2026-03-30T22:00:00Z"_s;
        QTest::newRow("this month on its last day")
            << ny << u"2026-02-01T04:59:00Z"_s << int(Preset::ThisMonth)
            << u"2026-01-01T05:00:00Z"_s << u"2026-01-31T05:00:00Z"_s;
        QTest::newRow("last month at midnight of 1 January")
            << ny << u"2026-01-01T05:00:00Z"_s << int(Preset::LastMonth)
            << u"2025-12-01T05:00:00Z"_s << u"2025-12-31T05:00:00Z"_s;
        QTest::newRow("last month of a leap February")
            << QByteArray("UTC") << u"2028-03-31T12:00:00Z"_s << int(Preset::LastMonth)
            << u"2028-02-01T00:00:00Z"_s << u"2028-02-29T00:00:00Z"_s;
        QTest::newRow("this year") << berlin << u"2026-12-31T22:59:00Z"_s << int(Preset::ThisYear)
                                   << u"2025-12-31T23:00:00Z"_s << u"2026-12-30T23:00:00Z"_s;
        QTest::newRow("last 30 days over the autumn change")
            << ny << u"2026-11-20T15:00:00Z"_s << int(Preset::Last30) << u"2026-10-22T04:00:00Z"_s
            << u"2026-11-20T05:00:00Z"_s;
    }

    void range() {
        QFETCH(QByteArray, tz);
        QFETCH(QString, now);
        QFETCH(int, preset);
        QFETCH(QString, from);
        QFETCH(QString, to);
        const QDateTime at = *Time::parse(now);
        TestEnv env(at, tz);
        QLocale::setDefault(QLocale(u"de_DE"_s));
        const DayRange range = Preset::fromRaw(preset)->range(at);
        QCOMPARE(Time::iso(range.from), from);
        QCOMPARE(Time::iso(range.to), to);
    }

    void queryInterval_data() {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QDate>("fromDay");
        QTest::addColumn<QDate>("toDay");
        QTest::addColumn<QString>("from"); // empty: refused
        QTest::addColumn<QString>("to");
        QTest::newRow("the spring change day has 23 hours")
            << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << QDate(2026, 3, 29)
            << u"2026-03-28T23:00:00Z"_s << u"2026-03-29T22:00:00Z"_s;
        QTest::newRow("a day without midnight")
            << QByteArray("America/Sao_Paulo") << QDate(2018, 11, 4) << QDate(2018, 11, 4)
            << u"2018-11-04T03:00:00Z"_s << u"2018-11-05T02:00:00Z"_s;
        QTest::newRow("over a new year")
            << QByteArray("UTC") << QDate(2025, 12, 31) << QDate(2026, 1, 1)
            << u"2025-12-31T00:00:00Z"_s << u"2026-01-02T00:00:00Z"_s;
        QTest::newRow("reversed days") << QByteArray("UTC") << QDate(2026, 1, 6)
                                       << QDate(2026, 1, 5) << QString() << QString();
    }

    void queryInterval() {
        QFETCH(QByteArray, tz);
        QFETCH(QDate, fromDay);
        QFETCH(QDate, toDay);
        QFETCH(QString, from);
        QFETCH(QString, to);
        TestEnv env(QDateTime(fromDay, QTime(12, 0), Qt::UTC), tz);
        const std::optional<QueryInterval> interval = ReportPeriod::queryInterval(fromDay, toDay);
        QCOMPARE(interval ? Time::iso(interval->from) + u' ' + Time::iso(interval->to) : QString(),
                 from.isEmpty() ? QString() : from + u' ' + to);
    }
};

QTEST_GUILESS_MAIN(PresetTest)
#include "PresetTest.moc"

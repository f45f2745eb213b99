#include "reports/Preset.h"
#include "TestEnv.h"
#include "model/Time.h"
#include "reports/ReportPeriod.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

// The period presets and the query interval: calendar days in the local time
// zone, weeks from the locale's first weekday, daylight-saving changes inside
// the period.
class PresetTest : public QObject {
    Q_OBJECT

private:
    static QDateTime utc(const char* iso) { return *Time::parse(QString::fromLatin1(iso)); }

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void titlesAndRawValues() {
        const QStringList titles{u"Today"_s,     u"Yesterday"_s,   u"This week"_s,
                                 u"Last week"_s, u"This month"_s,  u"Last month"_s,
                                 u"This year"_s, u"Last 30 days"_s};
        const QList<Preset> all = Preset::all();
        QCOMPARE(all.size(), titles.size());
        for (int raw = 0; raw < all.size(); ++raw) {
            QCOMPARE(all[raw].raw(), raw);
            QCOMPARE(all[raw].title(), titles[raw]);
            QCOMPARE(Preset::fromRaw(raw), std::optional<Preset>(all[raw]));
        }
        QVERIFY(!Preset::fromRaw(-1));
        QVERIFY(!Preset::fromRaw(8));
    }

    void range_data() {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("preset");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");

        // Berlin: UTC+1 in winter, UTC+2 from 29 March 2026 to 25 October 2026.
        QTest::newRow("today at 00:00")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-01-14T23:00:00Z")
            << int(Preset::Today) << u"2026-01-14T23:00:00Z"_s << u"2026-01-14T23:00:00Z"_s;
        QTest::newRow("today at 23:59")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-01-15T22:59:00Z")
            << int(Preset::Today) << u"2026-01-14T23:00:00Z"_s << u"2026-01-14T23:00:00Z"_s;
        QTest::newRow("today at 23:59 west of UTC")
            << QByteArray("America/New_York") << u"en_US"_s << utc("2026-01-16T04:59:00Z")
            << int(Preset::Today) << u"2026-01-15T05:00:00Z"_s << u"2026-01-15T05:00:00Z"_s;
        QTest::newRow("yesterday across the spring change")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-03-30T08:00:00Z")
            << int(Preset::Yesterday) << u"2026-03-28T23:00:00Z"_s << u"2026-03-28T23:00:00Z"_s;
        QTest::newRow("this week, Monday first")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-01-14T12:00:00Z")
            << int(Preset::ThisWeek) << u"2026-01-11T23:00:00Z"_s << u"2026-01-17T23:00:00Z"_s;
        QTest::newRow("this week, Sunday first")
            << QByteArray("Europe/Berlin") << u"en_US"_s << utc("2026-01-14T12:00:00Z")
            << int(Preset::ThisWeek) << u"2026-01-10T23:00:00Z"_s << u"2026-01-16T23:00:00Z"_s;
        QTest::newRow("this week on a Sunday, Monday first")
            << QByteArray("UTC") << u"de_DE"_s << utc("2026-01-18T20:00:00Z")
            << int(Preset::ThisWeek) << u"2026-01-12T00:00:00Z"_s << u"2026-01-18T00:00:00Z"_s;
        QTest::newRow("this week on a Sunday, Sunday first")
            << QByteArray("UTC") << u"en_US"_s << utc("2026-01-18T20:00:00Z")
            << int(Preset::ThisWeek) << u"2026-01-18T00:00:00Z"_s << u"2026-01-24T00:00:00Z"_s;
        QTest::newRow("this week after the spring change")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-03-31T10:00:00Z")
            << int(Preset::ThisWeek) << u"2026-03-29T22:00:00Z"_s << u"2026-04-04T22:00:00Z"_s;
        QTest::newRow("last week with the spring change on its last day")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-04-01T10:00:00Z")
            << int(Preset::LastWeek) << u"2026-03-22T23:00:00Z"_s << u"2026-03-28T23:00:00Z"_s;
        QTest::newRow("last week, Sunday first")
            << QByteArray("America/New_York") << u"en_US"_s << utc("2026-03-11T15:00:00Z")
            << int(Preset::LastWeek) << u"2026-03-01T05:00:00Z"_s << u"2026-03-07T05:00:00Z"_s;
        QTest::newRow("this month with the spring change")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-03-15T12:00:00Z")
            << int(Preset::ThisMonth) << u"2026-02-28T23:00:00Z"_s << u"2026-03-30T22:00:00Z"_s;
        QTest::newRow("last month in January")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-01-10T12:00:00Z")
            << int(Preset::LastMonth) << u"2025-11-30T23:00:00Z"_s << u"2025-12-30T23:00:00Z"_s;
        QTest::newRow("last month at midnight of 1 January")
            << QByteArray("America/New_York") << u"en_US"_s << utc("2026-01-01T05:00:00Z")
            << int(Preset::LastMonth) << u"2025-12-01T05:00:00Z"_s << u"2025-12-31T05:00:00Z"_s;
        QTest::newRow("last month of a leap February")
            << QByteArray("UTC") << u"de_DE"_s << utc("2028-03-31T12:00:00Z")
            << int(Preset::LastMonth) << u"2028-02-01T00:00:00Z"_s << u"2028-02-29T00:00:00Z"_s;
        QTest::newRow("this year")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-07-01T12:00:00Z")
            << int(Preset::ThisYear) << u"2025-12-31T23:00:00Z"_s << u"2026-12-30T23:00:00Z"_s;
        QTest::newRow("last 30 days over the spring change")
            << QByteArray("Europe/Berlin") << u"de_DE"_s << utc("2026-04-10T12:00:00Z")
            << int(Preset::Last30) << u"2026-03-11T23:00:00Z"_s << u"2026-04-09T22:00:00Z"_s;
        QTest::newRow("last 30 days over the autumn change")
            << QByteArray("America/New_York") << u"en_US"_s << utc("2026-11-20T15:00:00Z")
            << int(Preset::Last30) << u"2026-10-22T04:00:00Z"_s << u"2026-11-20T05:00:00Z"_s;
        QTest::newRow("last 30 days over a new year")
            << QByteArray("UTC") << u"en_US"_s << utc("2026-01-05T09:30:00Z") << int(Preset::Last30)
            << u"2025-12-07T00:00:00Z"_s << u"2026-01-05T00:00:00Z"_s;
    }

    void range() {
        QFETCH(QByteArray, tz);
        QFETCH(QString, locale);
        QFETCH(QDateTime, now);
        QFETCH(int, preset);
        QFETCH(QString, from);
        QFETCH(QString, to);
        TestEnv env(now, tz);
        QLocale::setDefault(QLocale(locale));

        const DayRange range = Preset::fromRaw(preset)->range(now);
        QCOMPARE(Time::iso(range.from), from);
        QCOMPARE(Time::iso(range.to), to);
        // Both ends are starts of local days.
        QCOMPARE(range.from.toLocalTime().time(), QTime(0, 0));
        QCOMPARE(range.to.toLocalTime().time(), QTime(0, 0));
    }

    // Every preset yields whole days with from on or before to, at any hour.
    void everyPresetAtEveryHour() {
        TestEnv env(utc("2026-10-24T00:00:00Z"), "Europe/Berlin");
        QLocale::setDefault(QLocale(u"en_US"_s));
        for (int hour = 0; hour < 72; ++hour) {
            const QDateTime now = utc("2026-10-24T00:00:00Z").addSecs(hour * 3600);
            for (const Preset& preset : Preset::all()) {
                const DayRange r = preset.range(now);
                QVERIFY(r.from <= r.to);
                QVERIFY(r.from <= now);
                QCOMPARE(r.from.toLocalTime().time(), QTime(0, 0));
                QCOMPARE(r.to.toLocalTime().time(), QTime(0, 0));
            }
        }
    }

    void queryInterval_data() {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QDate>("fromDay");
        QTest::addColumn<QDate>("toDay");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");

        QTest::newRow("one day, an hour ahead of UTC")
            << QByteArray("Europe/Berlin") << QDate(2026, 1, 5) << QDate(2026, 1, 5)
            << u"2026-01-04T23:00:00Z"_s << u"2026-01-05T23:00:00Z"_s;
        QTest::newRow("the spring change day has 23 hours")
            << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << QDate(2026, 3, 29)
            << u"2026-03-28T23:00:00Z"_s << u"2026-03-29T22:00:00Z"_s;
        QTest::newRow("the autumn change day has 25 hours")
            << QByteArray("Europe/Berlin") << QDate(2026, 10, 25) << QDate(2026, 10, 25)
            << u"2026-10-24T22:00:00Z"_s << u"2026-10-25T23:00:00Z"_s;
        QTest::newRow("a month west of UTC")
            << QByteArray("America/New_York") << QDate(2026, 3, 1) << QDate(2026, 3, 31)
            << u"2026-03-01T05:00:00Z"_s << u"2026-04-01T04:00:00Z"_s;
        QTest::newRow("a day without midnight")
            << QByteArray("America/Sao_Paulo") << QDate(2018, 11, 4) << QDate(2018, 11, 4)
            << u"2018-11-04T03:00:00Z"_s << u"2018-11-05T02:00:00Z"_s;
        QTest::newRow("UTC") << QByteArray("UTC") << QDate(2025, 12, 31) << QDate(2026, 1, 1)
                             << u"2025-12-31T00:00:00Z"_s << u"2026-01-02T00:00:00Z"_s;
    }

    void queryInterval() {
        QFETCH(QByteArray, tz);
        QFETCH(QDate, fromDay);
        QFETCH(QDate, toDay);
        QFETCH(QString, from);
        QFETCH(QString, to);
        TestEnv env(QDateTime(fromDay, QTime(12, 0), Qt::UTC), tz);

        const std::optional<QueryInterval> interval = ReportPeriod::queryInterval(fromDay, toDay);
        QVERIFY(interval);
        QCOMPARE(Time::iso(interval->from), from);
        QCOMPARE(Time::iso(interval->to), to);
    }

    void queryIntervalRefusesReversedDays() {
        TestEnv env;
        QVERIFY(!ReportPeriod::queryInterval(QDate(2026, 1, 6), QDate(2026, 1, 5)));
        QVERIFY(!ReportPeriod::queryInterval(QDate(), QDate(2026, 1, 5)));
        QVERIFY(ReportPeriod::queryInterval(QDate(2026, 1, 5), QDate(2026, 1, 5)));
    }

    // "Today" at any hour asks for exactly the local day.
    void todayIntervalEndsAtTomorrow() {
        TestEnv env(utc("2026-06-10T21:30:00Z"), "Asia/Tokyo");
        const DayRange today = Preset(Preset::Today).range(env.clock().currentTime());
        const std::optional<QueryInterval> interval = ReportPeriod::queryInterval(
            today.from.toLocalTime().date(), today.to.toLocalTime().date());
        QCOMPARE(Time::iso(interval->from), u"2026-06-10T15:00:00Z"_s);
        QCOMPARE(Time::iso(interval->to), u"2026-06-11T15:00:00Z"_s);
    }
};

QTEST_GUILESS_MAIN(PresetTest)
#include "PresetTest.moc"

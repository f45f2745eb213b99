// The panel's logic without widgets: list building, sync line, today's total,
// suggestion highlighting, typed durations and the resize zones.

#include "TestEnv.h"
#include "UiTestData.h"

#include "ui/panel/EntryListBuilder.h"
#include "ui/panel/ResizeGeometry.h"
#include "ui/panel/SuggestionHighlight.h"
#include "ui/panel/SyncLine.h"
#include "ui/panel/TodayTotal.h"
#include "ui/panel/TypedDuration.h"

#include <QTest>

using namespace Qt::StringLiterals;
using UiTestData::at;
using UiTestData::entry;

Q_DECLARE_METATYPE(SyncLine::Tone)
Q_DECLARE_METATYPE(ResizeGeometry::Mode)

namespace {

QList<int> runSizes(const QList<QList<Entry>>& runs) {
    QList<int> sizes;
    for (const QList<Entry>& run : runs)
        sizes.append(int(run.size()));
    return sizes;
}

QStringList ids(const QList<Entry>& entries) {
    QStringList list;
    for (const Entry& e : entries)
        list.append(e.id);
    return list;
}

} // namespace

class UiLogicTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listedKeepsNewest300();
    void listedSortsStablyAndSkipsTombstones();
    void runs_data();
    void runs();
    void daysCutByLocalDate();
    void unreadableStartsFileUnderToday();
    void dayBaseAndRunningEntry();
    void groupKeysAndExpansion();
    void syncLine_data();
    void syncLine();
    void todayTotal_data();
    void todayTotal();
    void todayTotalFollowsLocalDate();
    void highlight_data();
    void highlight();
    void typedDuration_data();
    void typedDuration();
    void typedDurationStart();
    void resizeZones_data();
    void resizeZones();
    void resizeHitRegionMatchesZones();
    void resizeDrag_data();
    void resizeDrag();
};

void UiLogicTest::listedKeepsNewest300() {
    QList<Entry> entries;
    for (int i = 0; i < 301; ++i)
        entries.append(entry(u"e%1"_s.arg(i), u"task"_s, at(-i), at(-i + 1)));
    std::reverse(entries.begin(), entries.end()); // the store's order does not matter
    const QList<Entry> listed = EntryListBuilder::listed(entries);
    QCOMPARE(listed.size(), 300);
    QCOMPARE(listed.first().id, u"e0"_s);
    QCOMPARE(listed.last().id, u"e299"_s);
    QVERIFY(!ids(listed).contains(u"e300"_s));
}

void UiLogicTest::listedSortsStablyAndSkipsTombstones() {
    Entry broken = entry(u"broken"_s, u"x"_s, at(0), at(1));
    broken.startedAt = u"yesterday-ish"_s;
    Entry empty = entry(u"empty"_s, u"x"_s, at(0), at(1));
    empty.startedAt.clear();
    Entry gone = entry(u"gone"_s, u"x"_s, at(50), at(51));
    gone.deleted = true;
    const QList<Entry> entries = {
        broken, entry(u"a1"_s, u"x"_s, at(-10), at(-5)),
        gone,   entry(u"a2"_s, u"x"_s, at(-10), at(-5)), // same start as a1: store order kept
        empty,  entry(u"b"_s, u"x"_s, at(20), at(30)),
    };
    QCOMPARE(ids(EntryListBuilder::listed(entries)),
             QStringList({u"b"_s, u"a1"_s, u"a2"_s, u"broken"_s, u"empty"_s}));
    QCOMPARE(EntryListBuilder::listed(entries, 2).size(), 2);
}

void UiLogicTest::runs_data() {
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QStringList>("clients"); // "" for none
    QTest::addColumn<QList<int>>("sizes");

    QTest::newRow("case and outer spaces")
        << QStringList{u"Report "_s, u"report"_s, u"REPORT"_s}
        << QStringList{u"c1"_s, u"c1"_s, u"c1"_s} << QList<int>{3};
    QTest::newRow("tabs are trimmed too")
        << QStringList{u"\tReport\t"_s, u"report"_s} << QStringList{u""_s, u""_s} << QList<int>{2};
    QTest::newRow("different clients")
        << QStringList{u"Report"_s, u"report"_s, u"REPORT"_s}
        << QStringList{u"c1"_s, u"c2"_s, u"c1"_s} << QList<int>{1, 1, 1};
    QTest::newRow("client and none")
        << QStringList{u"Report"_s, u"Report"_s} << QStringList{u"c1"_s, u""_s} << QList<int>{1, 1};
    QTest::newRow("separated by another")
        << QStringList{u"Report"_s, u"Mail"_s, u"Report"_s}
        << QStringList{u"c1"_s, u"c1"_s, u"c1"_s} << QList<int>{1, 1, 1};
    QTest::newRow("empty descriptions stay apart")
        << QStringList{u""_s, u""_s} << QStringList{u"c1"_s, u"c1"_s} << QList<int>{1, 1};
    QTest::newRow("blank descriptions stay apart")
        << QStringList{u"  "_s, u"\t"_s} << QStringList{u""_s, u""_s} << QList<int>{1, 1};
    QTest::newRow("two runs") << QStringList{u"A"_s, u"a"_s, u"b"_s, u"B "_s, u"B"_s}
                              << QStringList{u""_s, u""_s, u""_s, u""_s, u""_s} << QList<int>{2, 3};
    QTest::newRow("inner spaces count")
        << QStringList{u"a b"_s, u"a  b"_s} << QStringList{u""_s, u""_s} << QList<int>{1, 1};
}

void UiLogicTest::runs() {
    QFETCH(QStringList, descriptions);
    QFETCH(QStringList, clients);
    QFETCH(QList<int>, sizes);
    QList<Entry> day;
    for (int i = 0; i < descriptions.size(); ++i) {
        const std::optional<QString> client =
            clients[i].isEmpty() ? std::nullopt : std::optional<QString>(clients[i]);
        day.append(entry(u"e%1"_s.arg(i), descriptions[i], at(-i * 10), at(-i * 10 + 5), client));
    }
    QCOMPARE(runSizes(EntryListBuilder::runs(day)), sizes);
}

void UiLogicTest::daysCutByLocalDate() {
    TestEnv env(at(0), "America/New_York"); // 04:30 local on 5 January
    const QList<Entry> listed = EntryListBuilder::listed({
        entry(u"today"_s, u"a"_s, at(-60), at(-30)),  // 03:30 local, 5 Jan
        entry(u"late"_s, u"b"_s, at(-300), at(-290)), // 23:30 local, 4 Jan
        entry(u"older"_s, u"c"_s, at(-2 * 1440), at(-2 * 1440 + 5)),
    });
    const QList<ListDay> days = EntryListBuilder::days(listed, at(0), {});
    QCOMPARE(days.size(), 3);
    QCOMPARE(days[0].key, u"2026-01-05"_s);
    QCOMPARE(days[0].title, u"Today"_s);
    QCOMPARE(days[1].key, u"2026-01-04"_s);
    QCOMPARE(days[1].title, u"Yesterday"_s);
    QCOMPARE(days[2].key, u"2026-01-03"_s);
    QCOMPARE(days[2].title, u"Sat, 3 Jan"_s);
}

void UiLogicTest::unreadableStartsFileUnderToday() {
    TestEnv env;
    Entry broken = entry(u"broken"_s, u"x"_s, at(0), at(1));
    broken.startedAt = u"garbage"_s;

    // The last day is today: the entry joins it.
    QList<ListDay> days = EntryListBuilder::days(
        EntryListBuilder::listed({broken, entry(u"t"_s, u"y"_s, at(-30), at(-20))}), at(0), {});
    QCOMPARE(days.size(), 1);
    QCOMPARE(ids(days[0].entries), QStringList({u"t"_s, u"broken"_s}));

    // The last day is older: a second "Today" card trails the list.
    days = EntryListBuilder::days(
        EntryListBuilder::listed({broken, entry(u"t"_s, u"y"_s, at(-30), at(-20)),
                                  entry(u"old"_s, u"z"_s, at(-1440 * 3), at(-1440 * 3 + 5))}),
        at(0), {});
    QCOMPARE(days.size(), 3);
    QCOMPARE(days[0].title, u"Today"_s);
    QCOMPARE(days[2].title, u"Today"_s);
    QCOMPARE(days[2].key, u"2026-01-05"_s);
    QCOMPARE(ids(days[2].entries), QStringList({u"broken"_s}));
}

void UiLogicTest::dayBaseAndRunningEntry() {
    TestEnv env;
    Entry backwards = entry(u"neg"_s, u"odd"_s, at(-50), at(-80)); // ends before it starts
    const QList<ListDay> days =
        EntryListBuilder::days(EntryListBuilder::listed({
                                   entry(u"run"_s, u"Report"_s, at(-10), std::nullopt, u"c1"_s),
                                   entry(u"r2"_s, u"report"_s, at(-40), at(-20), u"c1"_s),
                                   backwards,
                                   entry(u"r3"_s, u"Mail"_s, at(-120), at(-60)),
                               }),
                               at(0), {});
    QCOMPARE(days.size(), 1);
    QVERIFY(days[0].running.has_value());
    QCOMPARE(days[0].running->id, u"run"_s);
    // 20 + 60 minutes; the running entry and the backwards one add nothing.
    QCOMPARE(days[0].base, 80.0 * 60);
    QCOMPARE(days[0].runs.size(), 3);
    QVERIFY(days[0].runs[0].isGroup());
    QVERIFY(days[0].runs[0].hasRunning());
    QCOMPARE(EntryListBuilder::finishedSum(days[0].runs[0].entries, at(0)), 20.0 * 60);
}

void UiLogicTest::groupKeysAndExpansion() {
    TestEnv env;
    QList<Entry> store = {
        entry(u"id2"_s, u" Report"_s, at(-20), at(-10), u"c1"_s),
        entry(u"id1"_s, u"report"_s, at(-60), at(-30), u"c1"_s),
        entry(u"n2"_s, u"Mail"_s, at(-90), at(-80)),
        entry(u"n1"_s, u"mail"_s, at(-120), at(-100)),
    };
    QList<ListDay> days = EntryListBuilder::days(EntryListBuilder::listed(store), at(0), {});
    const QString key = days[0].runs[0].key;
    QCOMPARE(key, u"2026-01-05|report|c1|id2"_s);
    QCOMPARE(days[0].runs[1].key, u"2026-01-05|mail|-|n2"_s);
    QVERIFY(!days[0].runs[0].expanded);

    QSet<QString> expanded;
    QVERIFY(EntryListBuilder::toggle(expanded, key));
    days = EntryListBuilder::days(EntryListBuilder::listed(store), at(0), expanded);
    QVERIFY(days[0].runs[0].expanded); // survives a rebuild
    QVERIFY(!days[0].runs[1].expanded);

    // A new entry joins the top of the group: new newest id, new key, collapsed.
    store.append(entry(u"id3"_s, u"REPORT"_s, at(-5), std::nullopt, u"c1"_s));
    days = EntryListBuilder::days(EntryListBuilder::listed(store), at(0), expanded);
    QCOMPARE(days[0].runs[0].entries.size(), 3);
    QCOMPARE(days[0].runs[0].key, u"2026-01-05|report|c1|id3"_s);
    QVERIFY(!days[0].runs[0].expanded);

    QVERIFY(!EntryListBuilder::toggle(expanded, key));
    QVERIFY(expanded.isEmpty());
}

void UiLogicTest::syncLine_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("apiKey");
    QTest::addColumn<int>("summary");    // 0 none, 1 online, 2 offline, 3 online with error
    QTest::addColumn<int>("secondsAgo"); // -1: no last sync mark, -2: unreadable mark
    QTest::addColumn<int>("pending");
    QTest::addColumn<SyncLine::Tone>("tone");
    QTest::addColumn<QString>("text");

    using T = SyncLine::Tone;
    const QString s = u"http://127.0.0.1:8080"_s;
    QTest::newRow("no server") << u""_s << u"k"_s << 2 << 30 << 3 << T::Tertiary
                               << u"Not configured"_s;
    QTest::newRow("no key") << s << u""_s << 0 << -1 << 0 << T::Tertiary << u"Not configured"_s;
    QTest::newRow("offline") << s << u"k"_s << 2 << 30 << 3 << T::Stop << u"Offline · 3 pending"_s;
    QTest::newRow("offline beats the error")
        << s << u"k"_s << 2 << -1 << 0 << T::Stop << u"Offline · 0 pending"_s;
    QTest::newRow("server error") << s << u"k"_s << 3 << 30 << 1 << T::Stop << u"Invalid API key"_s;
    QTest::newRow("never synced") << s << u"k"_s << 0 << -1 << 0 << T::Orange
                                  << u"Waiting for the first sync…"_s;
    QTest::newRow("unreadable mark")
        << s << u"k"_s << 1 << -2 << 0 << T::Orange << u"Waiting for the first sync…"_s;
    QTest::newRow("30 s") << s << u"k"_s << 1 << 30 << 0 << T::Green << u"Synced just now"_s;
    QTest::newRow("44 s") << s << u"k"_s << 0 << 44 << 0 << T::Green << u"Synced just now"_s;
    QTest::newRow("45 s") << s << u"k"_s << 0 << 45 << 0 << T::Green << u"Synced 0 min ago"_s;
    QTest::newRow("5 min, 2 pending")
        << s << u"k"_s << 1 << 300 << 2 << T::Orange << u"Synced 5 min ago · 2 pending"_s;
    QTest::newRow("59 min") << s << u"k"_s << 1 << 3599 << 0 << T::Green << u"Synced 59 min ago"_s;
    QTest::newRow("2 h, 2 pending")
        << s << u"k"_s << 1 << 7200 << 2 << T::Orange << u"Synced 2 h ago · 2 pending"_s;
    QTest::newRow("1 pending") << s << u"k"_s << 1 << 10 << 1 << T::Orange
                               << u"Synced just now · 1 pending"_s;
    QTest::newRow("3 d") << s << u"k"_s << 1 << 3 * 86400 + 5 << 0 << T::Green
                         << u"Synced 3 d ago"_s;
    QTest::newRow("mark in the future")
        << s << u"k"_s << 1 << -600 << 0 << T::Green << u"Synced just now"_s;
}

void UiLogicTest::syncLine() {
    QFETCH(QString, server);
    QFETCH(QString, apiKey);
    QFETCH(int, summary);
    QFETCH(int, secondsAgo);
    QFETCH(int, pending);
    QFETCH(SyncLine::Tone, tone);
    QFETCH(QString, text);

    const QDateTime now = at(0);
    Settings settings;
    settings.server = server;
    settings.apiKey = apiKey;
    if (secondsAgo == -2)
        settings.lastSync = u"not a time"_s;
    else if (secondsAgo != -1)
        settings.lastSync = Time::iso(now.addSecs(-secondsAgo));
    std::optional<SyncSummary> last;
    if (summary != 0) {
        last = SyncSummary{};
        last->online = summary != 2;
        if (summary == 3)
            last->error = u"Invalid API key"_s;
    }
    const SyncLine::State state = SyncLine::compute(settings, last, pending, now);
    QCOMPARE(state.text, text);
    QCOMPARE(state.tone, tone);
}

void UiLogicTest::todayTotal_data() {
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<double>("base");
    QTest::addColumn<double>("shown");

    Entry gone = entry(u"gone"_s, u"x"_s, at(-60), at(-30));
    gone.deleted = true;
    Entry broken = entry(u"broken"_s, u"x"_s, at(-60), at(-30));
    broken.startedAt = u"?"_s;
    QTest::newRow("empty") << QList<Entry>{} << 0.0 << 0.0;
    QTest::newRow("finished today") << QList<Entry>{entry(u"a"_s, u"x"_s, at(-60), at(-30)),
                                                    entry(u"b"_s, u"y"_s, at(-20), at(-10))}
                                    << 2400.0 << 2400.0;
    QTest::newRow("yesterday, deleted, unreadable")
        << QList<Entry>{entry(u"y"_s, u"x"_s, at(-1440), at(-1400)), gone, broken} << 0.0 << 0.0;
    QTest::newRow("running today") << QList<Entry>{entry(u"a"_s, u"x"_s, at(-60), at(-30)),
                                                   entry(u"r"_s, u"y"_s, at(-5), std::nullopt)}
                                   << 1800.0 << 2100.0;
    QTest::newRow("running since yesterday counts whole")
        << QList<Entry>{entry(u"r"_s, u"y"_s, at(-600), std::nullopt)} << 0.0 << 36000.0;
    QTest::newRow("backwards entry counts nothing")
        << QList<Entry>{entry(u"n"_s, u"x"_s, at(-30), at(-60))} << 0.0 << 0.0;
}

void UiLogicTest::todayTotal() {
    TestEnv env;
    QFETCH(QList<Entry>, entries);
    QFETCH(double, base);
    QFETCH(double, shown);
    std::optional<Entry> running;
    for (const Entry& e : entries) {
        if (e.isRunning()) {
            running = e;
            break;
        }
    }
    const double b = TodayTotal::base(entries, at(0));
    QCOMPARE(b, base);
    QCOMPARE(TodayTotal::shown(b, running, at(0)), shown);
}

void UiLogicTest::todayTotalFollowsLocalDate() {
    // 09:30 UTC is 22:30 on 5 January in Auckland; 08:00 UTC the same day.
    TestEnv env(at(0), "Pacific/Auckland");
    const QList<Entry> entries = {entry(u"a"_s, u"x"_s, at(-90), at(-60)),
                                  // 10:30 on 4 January UTC is 23:30 on 4 January there.
                                  entry(u"b"_s, u"x"_s, at(-1380), at(-1370))};
    QCOMPARE(TodayTotal::base(entries, at(0)), 1800.0);

    // A 23-hour day: clocks in New York go forward on 8 March 2026.
    TestEnv::setTimeZone("America/New_York");
    const QDateTime evening(QDate(2026, 3, 9), QTime(3, 50), Qt::UTC); // 23:50 EDT, 8 March
    auto utc = [](int day, int h, int m) {
        return QDateTime(QDate(2026, 3, day), QTime(h, m), Qt::UTC);
    };
    const QList<Entry> dst = {
        entry(u"first"_s, u"x"_s, utc(8, 5, 0), utc(8, 5, 10)),   // 00:00 EST, 8 March
        entry(u"before"_s, u"x"_s, utc(8, 4, 59), utc(8, 5, 30)), // 23:59 EST, 7 March
        entry(u"late"_s, u"x"_s, utc(9, 3, 30), utc(9, 3, 40)),   // 23:30 EDT, 8 March
        entry(u"after"_s, u"x"_s, utc(9, 4, 0), utc(9, 4, 5)),    // 00:00 EDT, 9 March
    };
    QCOMPARE(TodayTotal::base(dst, evening), 1200.0);
}

void UiLogicTest::highlight_data() {
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("start"); // -1: none
    QTest::addColumn<int>("length");

    QTest::newRow("prefix, other case") << u"Report writing"_s << u"rep"_s << 0 << 3;
    QTest::newRow("upper-case query") << u"Weekly report"_s << u"REP"_s << 7 << 3;
    QTest::newRow("first of two") << u"rep and rep"_s << u"rep"_s << 0 << 3;
    QTest::newRow("query trimmed") << u"Weekly report"_s << u" \trep "_s << 7 << 3;
    QTest::newRow("inner space kept") << u"Weekly report"_s << u"ly r"_s << 4 << 4;
    QTest::newRow("empty query") << u"Report"_s << u""_s << -1 << 0;
    QTest::newRow("blank query") << u"Report"_s << u"   "_s << -1 << 0;
    QTest::newRow("no match") << u"Report"_s << u"xyz"_s << -1 << 0;
    // "İ" lower-cases to two characters; positions stay those of the original.
    QTest::newRow("growing letter before") << u"İstanbul trip"_s << u"trip"_s << 9 << 4;
    QTest::newRow("growing letter matched") << u"Visit İzmir"_s << u"i̇z"_s << 6 << 2;
    QTest::newRow("surrogate pair") << u"😀 Demo"_s << u"demo"_s << 3 << 4;
}

void UiLogicTest::highlight() {
    QFETCH(QString, description);
    QFETCH(QString, query);
    QFETCH(int, start);
    QFETCH(int, length);
    const std::optional<SuggestionHighlight::Range> range =
        SuggestionHighlight::range(description, query);
    if (start < 0) {
        QVERIFY(!range.has_value());
        return;
    }
    QVERIFY(range.has_value());
    QCOMPARE(range->start, qsizetype(start));
    QCOMPARE(range->length, qsizetype(length));
    QVERIFY(range->start + range->length <= description.size());
}

void UiLogicTest::typedDuration_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("seconds"); // -1: refused

    QTest::newRow("h:m") << u"1:00"_s << 3600.0;
    QTest::newRow("minutes") << u"25"_s << 1500.0;
    QTest::newRow("h:m again") << u"1:30"_s << 5400.0;
    QTest::newRow("h:m:s") << u"0:45:10"_s << 2710.0;
    QTest::newRow("spaces and tabs") << u" \t1:00 \t"_s << 3600.0;
    QTest::newRow("decimal hours") << u"1.5"_s << 5400.0;
    QTest::newRow("zero") << u"0"_s << 0.0;
    QTest::newRow("negative") << u"-5"_s << -1.0;
    QTest::newRow("negative part") << u"1:-90"_s << -1.0;
    QTest::newRow("words") << u"abc"_s << -1.0;
    QTest::newRow("empty") << u""_s << -1.0;
    QTest::newRow("four parts") << u"1:2:3:4"_s << -1.0;
    QTest::newRow("inf") << u"inf"_s << -1.0;
    QTest::newRow("line break") << u"1:00\n"_s << -1.0;
}

void UiLogicTest::typedDuration() {
    QFETCH(QString, text);
    QFETCH(double, seconds);
    const std::optional<double> parsed = TypedDuration::seconds(text);
    if (seconds < 0) {
        QVERIFY(!parsed.has_value());
        return;
    }
    QVERIFY(parsed.has_value());
    QCOMPARE(*parsed, seconds);
}

void UiLogicTest::typedDurationStart() {
    QCOMPARE(TypedDuration::startFor(u"1:00"_s, at(0)), std::optional<QString>(Time::iso(at(-60))));
    QCOMPARE(TypedDuration::startFor(u"0"_s, at(0)), std::optional<QString>(Time::iso(at(0))));
    QVERIFY(!TypedDuration::startFor(u"x"_s, at(0)));
    // Thousands of years back the stored form can no longer be read.
    QVERIFY(!TypedDuration::startFor(u"27000000:00"_s, at(0)));
    QVERIFY(!TypedDuration::startFor(u"1e300"_s, at(0)));
}

void UiLogicTest::resizeZones_data() {
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<ResizeGeometry::Mode>("mode");

    using M = ResizeGeometry::Mode;
    QTest::newRow("content") << QPointF(190, 300) << M::None;
    QTest::newRow("10 inside the left edge") << QPointF(10, 300) << M::None;
    QTest::newRow("9 inside the left edge") << QPointF(9, 300) << M::Left;
    QTest::newRow("left edge") << QPointF(0, 300) << M::Left;
    QTest::newRow("right edge") << QPointF(371, 300) << M::Right;
    QTest::newRow("10 inside the right edge") << QPointF(370, 300) << M::None;
    QTest::newRow("top edge") << QPointF(190, 9) << M::Top;
    QTest::newRow("below top edge") << QPointF(190, 10) << M::None;
    QTest::newRow("bottom edge") << QPointF(190, 611) << M::Bottom;
    QTest::newRow("top-left square") << QPointF(20, 20) << M::TopLeft;
    QTest::newRow("just outside the square") << QPointF(21, 21) << M::None;
    QTest::newRow("top-left on the top strip") << QPointF(20, 3) << M::TopLeft;
    QTest::newRow("beyond the square on the top strip") << QPointF(21, 3) << M::Top;
    QTest::newRow("top-right") << QPointF(360, 20) << M::TopRight;
    QTest::newRow("bottom-left") << QPointF(20, 600) << M::BottomLeft;
    QTest::newRow("bottom-right") << QPointF(379, 619) << M::BottomRight;
}

void UiLogicTest::resizeZones() {
    QFETCH(QPointF, point);
    QFETCH(ResizeGeometry::Mode, mode);
    QCOMPARE(ResizeGeometry::zone(point, QSizeF(380, 620)), mode);
}

void UiLogicTest::resizeHitRegionMatchesZones() {
    for (const QSize size : {QSize(380, 620), QSize(360, 420), QSize(41, 41)}) {
        const QRegion region = ResizeGeometry::hitRegion(size);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const bool inZone =
                    ResizeGeometry::zone(QPointF(x, y), QSizeF(size)) != ResizeGeometry::Mode::None;
                if (region.contains(QPoint(x, y)) != inZone)
                    QFAIL(qPrintable(u"pixel %1,%2 of %3x%4"_s.arg(x)
                                         .arg(y)
                                         .arg(size.width())
                                         .arg(size.height())));
            }
        }
    }
}

void UiLogicTest::resizeDrag_data() {
    QTest::addColumn<ResizeGeometry::Mode>("mode");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("frame");

    using M = ResizeGeometry::Mode;
    // Start: x 100, y 100, 380 × 620 (right edge 480, bottom edge 720).
    QTest::newRow("left inwards, clamped")
        << M::Left << QPoint(100, 40) << QRect(120, 100, 360, 620);
    QTest::newRow("left outwards") << M::Left << QPoint(-50, 0) << QRect(50, 100, 430, 620);
    QTest::newRow("right inwards, clamped")
        << M::Right << QPoint(-100, 0) << QRect(100, 100, 360, 620);
    QTest::newRow("right outwards") << M::Right << QPoint(40, 9) << QRect(100, 100, 420, 620);
    QTest::newRow("bottom up, clamped")
        << M::Bottom << QPoint(0, -500) << QRect(100, 100, 380, 420);
    QTest::newRow("bottom down") << M::Bottom << QPoint(3, 80) << QRect(100, 100, 380, 700);
    QTest::newRow("top down, clamped") << M::Top << QPoint(0, 300) << QRect(100, 300, 380, 420);
    QTest::newRow("top up") << M::Top << QPoint(0, -50) << QRect(100, 50, 380, 670);
    QTest::newRow("top-left") << M::TopLeft << QPoint(10, 10) << QRect(110, 110, 370, 610);
    QTest::newRow("bottom-right") << M::BottomRight << QPoint(-100, -300)
                                  << QRect(100, 100, 360, 420);
    QTest::newRow("none") << M::None << QPoint(50, 50) << QRect(100, 100, 380, 620);
}

void UiLogicTest::resizeDrag() {
    QFETCH(ResizeGeometry::Mode, mode);
    QFETCH(QPoint, delta);
    QFETCH(QRect, frame);
    QCOMPARE(ResizeGeometry::dragged(mode, QRect(100, 100, 380, 620), delta), frame);
}

QTEST_GUILESS_MAIN(UiLogicTest)
#include "UiLogicTest.moc"

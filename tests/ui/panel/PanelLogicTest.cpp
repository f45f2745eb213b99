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
#include "ui/widgets/Spoken.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace UiTestData;

Q_DECLARE_METATYPE(SyncLine::Tone)
Q_DECLARE_METATYPE(ResizeGeometry::Mode)

namespace {

QStringList ids(const QList<Entry>& entries) {
    QStringList list;
    for (const Entry& e : entries)
        list.append(e.id);
    return list;
}

QList<ListDay> daysOf(const QList<Entry>& store) {
    return EntryListBuilder::days(EntryListBuilder::listed(store), at(0), {});
}

} // namespace

class PanelLogicTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listedKeepsTheNewest300() {
        QList<Entry> entries;
        for (int i = 0; i < 301; ++i)
            entries.prepend(entry(u"e%1"_s.arg(i), u"task"_s, at(-i), at(-i + 1)));
        const QList<Entry> listed = EntryListBuilder::listed(entries);
        QCOMPARE(listed.size(), 300);
        QCOMPARE(listed.first().id, u"e0"_s);
        QCOMPARE(listed.last().id, u"e299"_s);

        // Newest first, equal starts in store order, unreadable starts last,
        // deleted ones left out.
        Entry broken = entry(u"broken"_s, u"x"_s, at(0), at(1));
        broken.startedAt = u"yesterday-ish"_s;
        Entry gone = entry(u"gone"_s, u"x"_s, at(50), at(51));
        gone.deleted = true;
        entries = {broken, entry(u"a1"_s, u"x"_s, at(-10), at(-5)), gone,
                   entry(u"a2"_s, u"x"_s, at(-10), at(-5)), entry(u"b"_s, u"x"_s, at(20), at(30))};
        QCOMPARE(ids(EntryListBuilder::listed(entries)),
                 QStringList({u"b"_s, u"a1"_s, u"a2"_s, u"broken"_s}));
    }

    void runs_data() {
        QTest::addColumn<QString>("day"); // "description|client;…", newest first
        QTest::addColumn<QString>("sizes");
        QTest::newRow("case, spaces, tabs") << u"Report |c;\treport|c;REPORT|c"_s << u"3"_s;
        QTest::newRow("clients") << u"Report|c;report|d;Report|"_s << u"1 1 1"_s;
        QTest::newRow("separated") << u"Report|;Mail|;Report|"_s << u"1 1 1"_s;
        QTest::newRow("blank stays apart") << u"|;|;  |"_s << u"1 1 1"_s;
        QTest::newRow("two runs") << u"A|;a|;b|;B |;B|"_s << u"2 3"_s;
        QTest::newRow("inner spaces count") << u"a b|;a  b|"_s << u"1 1"_s;
    }

    void runs() {
        QFETCH(QString, day);
        QFETCH(QString, sizes);
        QList<Entry> entries;
        for (const QString& item : day.split(u';')) {
            const QString client = item.section(u'|', 1);
            const int i = int(entries.size());
            entries.append(entry(u"e%1"_s.arg(i), item.section(u'|', 0, 0), at(-i * 10),
                                 at(-i * 10 + 5),
                                 client.isEmpty() ? std::nullopt : std::optional(client)));
        }
        QStringList runSizes;
        for (const QList<Entry>& run : EntryListBuilder::runs(entries))
            runSizes.append(QString::number(run.size()));
        QCOMPARE(runSizes.join(u' '), sizes);
    }

    void days() {
        TestEnv env(at(0), "America/New_York"); // 04:30 local on 5 January
        Entry broken = entry(u"broken"_s, u"x"_s, at(0), at(1));
        broken.startedAt = u"garbage"_s;
        QList<ListDay> days = daysOf({
            entry(u"today"_s, u"a"_s, at(-60), at(-30)),  // 03:30 local, 5 Jan
            entry(u"late"_s, u"b"_s, at(-300), at(-290)), // 23:30 local, 4 Jan
            entry(u"older"_s, u"c"_s, at(-2 * 1440), at(-2 * 1440 + 5)),
            broken,
        });
        QStringList titles;
        for (const ListDay& day : days)
            titles.append(day.key + u' ' + day.title);
        // An unreadable start files under a trailing "Today" after older days.
        QCOMPARE(titles, QStringList({u"2026-01-05 Today"_s, u"2026-01-04 Yesterday"_s,
                                      u"2026-01-03 Sat, 3 Jan"_s, u"2026-01-05 Today"_s}));
        QCOMPARE(ids(days[3].entries), QStringList{u"broken"_s});

        // The base counts finished entries only; a backwards one adds nothing.
        days = daysOf({entry(u"run"_s, u"Report"_s, at(-10), std::nullopt, u"c1"_s),
                       entry(u"r2"_s, u"report"_s, at(-40), at(-20), u"c1"_s),
                       entry(u"neg"_s, u"odd"_s, at(-50), at(-80)),
                       entry(u"r3"_s, u"Mail"_s, at(-120), at(-60))});
        QCOMPARE(days[0].running->id, u"run"_s);
        QCOMPARE(days[0].base, 80.0 * 60);
        QCOMPARE(days[0].runs.size(), 3);
        QVERIFY(days[0].runs[0].isGroup() && days[0].runs[0].hasRunning());
        QCOMPARE(EntryListBuilder::finishedSum(days[0].runs[0].entries, at(0)), 20.0 * 60);
    }

    void syncLine_data() {
        QTest::addColumn<int>("summary");    // -1 no key, 0 none, 1 online, 2 offline, 3 error
        QTest::addColumn<int>("secondsAgo"); // -1: no last sync mark
        QTest::addColumn<int>("pending");
        QTest::addColumn<SyncLine::Tone>("tone");
        QTest::addColumn<QString>("text");

        using T = SyncLine::Tone;
        QTest::newRow("no key") << -1 << 30 << 3 << T::Tertiary << u"Not configured"_s;
        QTest::newRow("offline") << 2 << -1 << 3 << T::Stop << u"Offline · 3 pending"_s;
        QTest::newRow("error") << 3 << 30 << 1 << T::Stop << u"Invalid API key"_s;
        QTest::newRow("never") << 0 << -1 << 0 << T::Orange << u"Waiting for the first sync…"_s;
        QTest::newRow("44 s") << 0 << 44 << 0 << T::Green << u"Synced just now"_s;
        QTest::newRow("45 s") << 0 << 45 << 0 << T::Green << u"Synced 0 min ago"_s;
        QTest::newRow("59 min") << 1 << 3599 << 1 << T::Orange
                                << u"Synced 59 min ago · 1 pending"_s;
        QTest::newRow("1 h") << 1 << 3600 << 0 << T::Green << u"Synced 1 h ago"_s;
        QTest::newRow("1 d") << 1 << 86400 << 0 << T::Green << u"Synced 1 d ago"_s;
    }

    void syncLine() {
        QFETCH(int, summary);
        QFETCH(int, secondsAgo);
        QFETCH(int, pending);
        QFETCH(SyncLine::Tone, tone);
        QFETCH(QString, text);
        Settings settings;
        settings.server = u"http://127.0.0.1:8080"_s;
        settings.apiKey = summary < 0 ? QString() : u"k"_s;
        if (secondsAgo != -1)
            settings.lastSync = Time::iso(at(0).addSecs(-secondsAgo));
        std::optional<SyncSummary> last;
        if (summary > 0) {
            last = SyncSummary{};
            last->online = summary != 2;
        }
        if (summary == 3)
            last->error = u"Invalid API key"_s;
        const SyncLine::State state = SyncLine::compute(settings, last, pending, at(0));
        QCOMPARE(state.text, text);
        QCOMPARE(state.tone, tone);
    }

    void todayTotal_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<double>("shown");

        auto e = [](int from, std::optional<int> to) {
            return entry(u"e"_s, u"x"_s, at(from), to ? std::optional(at(*to)) : std::nullopt);
        };
        Entry gone = e(-60, -30);
        gone.deleted = true;
        Entry broken = e(-60, -30);
        broken.startedAt = u"?"_s;
        QTest::newRow("finished today")
            << QByteArray("UTC") << QList{e(-60, -30), e(-20, -10)} << 2400.0;
        QTest::newRow("yesterday, deleted, unreadable, backwards")
            << QByteArray("UTC") << QList{e(-1440, -1400), gone, broken, e(-30, -60)} << 0.0;
        QTest::newRow("running") << QByteArray("UTC") << QList{e(-60, -30), e(-5, {})} << 2100.0;
        QTest::newRow("running since yesterday")
            << QByteArray("UTC") << QList{e(-600, {})} << 36000.0;
        // 09:30 UTC is 22:30 in Auckland; 10:30 UTC the day before is 23:30 there.
        QTest::newRow("local date")
            << QByteArray("Pacific/Auckland") << QList{e(-90, -60), e(-1380, -1370)} << 1800.0;
    }

    void todayTotal() {
        QFETCH(QByteArray, zone);
        QFETCH(QList<Entry>, entries);
        QFETCH(double, shown);
        TestEnv env(at(0), zone);
        std::optional<Entry> running;
        for (const Entry& e : entries) {
            if (e.isRunning())
                running = e;
        }
        QCOMPARE(TodayTotal::shown(TodayTotal::base(entries, at(0)), running, at(0)), shown);
    }

    void highlight_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("start"); // -1: none
        QTest::addColumn<int>("length");

        QTest::newRow("prefix, other case") << u"Report writing"_s << u"REP"_s << 0 << 3;
        QTest::newRow("trimmed, inner space kept") << u"Weekly report"_s << u" \tly r "_s << 4 << 4;
        QTest::newRow("blank query") << u"Report"_s << u"   "_s << -1 << 0;
        // "İ" lower-cases to two characters; positions stay those of the original.
        QTest::newRow("growing letter matched") << u"Visit İzmir"_s << u"i̇z"_s << 6 << 2;
    }

    void highlight() {
        QFETCH(QString, description);
        QFETCH(QString, query);
        QFETCH(int, start);
        QFETCH(int, length);
        const auto range = SuggestionHighlight::range(description, query);
        QCOMPARE(range.has_value(), start >= 0);
        if (range) {
            QCOMPARE(range->start, qsizetype(start));
            QCOMPARE(range->length, qsizetype(length));
        }
    }

    // What a screen reader says for the panel's figures and rows.
    void spokenFigures() {
        const QList<QPair<QString, QString>> cases{{u"0:00:00"_s, u"0 seconds"_s},
                                                   {u"0:00:45"_s, u"45 seconds"_s},
                                                   {u"0:01:00"_s, u"1 minute"_s},
                                                   {u"0:21:05"_s, u"21 minutes 5 seconds"_s},
                                                   {u"1:30:59"_s, u"1 hour 30 minutes"_s},
                                                   {u"104:01:00"_s, u"104 hours 1 minute"_s},
                                                   {u"Acme"_s, u"Acme"_s}};
        for (const auto& [shown, spoken] : cases)
            QCOMPARE(Spoken::figure(shown), spoken);
        QCOMPARE(Spoken::row(u"Past work"_s, u"Acme"_s, 3600), u"Past work, Acme, 1 hour"_s);
    }

    void typedDuration_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds"); // -1: refused

        QTest::newRow("minutes") << u"25"_s << 1500.0;
        QTest::newRow("h:m, spaces and tabs") << u" \t1:30 \t"_s << 5400.0;
        QTest::newRow("h:m:s") << u"0:45:10"_s << 2710.0;
        QTest::newRow("decimal hours") << u"1.5"_s << 5400.0;
        QTest::newRow("negative") << u"-5"_s << -1.0;
        QTest::newRow("inf") << u"inf"_s << -1.0;
        QTest::newRow("line break") << u"1:00\n"_s << -1.0;
    }

    void typedDuration() {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QCOMPARE(TypedDuration::seconds(text).value_or(-1), seconds);
    }

    void resizeZones_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<ResizeGeometry::Mode>("mode");

        using M = ResizeGeometry::Mode;
        QTest::newRow("10 inside the left edge") << QPointF(10, 300) << M::None;
        QTest::newRow("9 inside the left edge") << QPointF(9, 300) << M::Left;
        QTest::newRow("9 inside the right edge") << QPointF(371, 300) << M::Right;
        QTest::newRow("10 inside the right edge") << QPointF(370, 300) << M::None;
        QTest::newRow("top edge") << QPointF(190, 9) << M::Top;
        QTest::newRow("below top edge") << QPointF(190, 10) << M::None;
        QTest::newRow("bottom edge") << QPointF(190, 611) << M::Bottom;
        QTest::newRow("above bottom edge") << QPointF(190, 610) << M::None;
        QTest::newRow("top-left square") << QPointF(20, 20) << M::TopLeft;
        QTest::newRow("just outside the square") << QPointF(21, 21) << M::None;
        QTest::newRow("beyond the square on the top strip") << QPointF(21, 3) << M::Top;
        QTest::newRow("top-right") << QPointF(360, 20) << M::TopRight;
        QTest::newRow("bottom-left") << QPointF(20, 600) << M::BottomLeft;
        QTest::newRow("bottom-right") << QPointF(379, 619) << M::BottomRight;
    }

    void resizeZones() {
        QFETCH(QPointF, point);
        QFETCH(ResizeGeometry::Mode, mode);
        QCOMPARE(ResizeGeometry::zone(point, QSizeF(380, 620)), mode);
        // The pointer-taking region of the edges view is exactly the zones.
        const QRegion region = ResizeGeometry::hitRegion(QSize(380, 620));
        QCOMPARE(region.contains(point.toPoint()), mode != ResizeGeometry::Mode::None);
    }

    void resizeDrag_data() {
        QTest::addColumn<ResizeGeometry::Mode>("mode");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("frame");

        using M = ResizeGeometry::Mode;
        // From 100,100 380×620; never narrower than 360 nor lower than 420.
        QTest::newRow("left in") << M::Left << QPoint(100, 40) << QRect(120, 100, 360, 620);
        QTest::newRow("right in") << M::Right << QPoint(-100, 0) << QRect(100, 100, 360, 620);
        QTest::newRow("right to 360") << M::Right << QPoint(-20, 9) << QRect(100, 100, 360, 620);
        QTest::newRow("bottom up") << M::Bottom << QPoint(0, -500) << QRect(100, 100, 380, 420);
        QTest::newRow("top down") << M::Top << QPoint(0, 300) << QRect(100, 300, 380, 420);
        QTest::newRow("top up") << M::Top << QPoint(0, -50) << QRect(100, 50, 380, 670);
        QTest::newRow("top-left") << M::TopLeft << QPoint(10, 10) << QRect(110, 110, 370, 610);
        QTest::newRow("bottom-right")
            << M::BottomRight << QPoint(-100, -300) << QRect(100, 100, 360, 420);
        QTest::newRow("none") << M::None << QPoint(50, 50) << QRect(100, 100, 380, 620);
    }

    void resizeDrag() {
        QFETCH(ResizeGeometry::Mode, mode);
        QFETCH(QPoint, delta);
        QFETCH(QRect, frame);
        QCOMPARE(ResizeGeometry::dragged(mode, QRect(100, 100, 380, 620), delta), frame);
    }
};

QTEST_GUILESS_MAIN(PanelLogicTest)
#include "PanelLogicTest.moc"

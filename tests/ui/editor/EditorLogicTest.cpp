// The details card's placement, the time editor's placement, and the time
// rules of the editors, as tables.

#include "model/Time.h"
#include "ui/editor/CardPlacement.h"
#include "ui/editor/EntryTimes.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Side = CardPlacement::Side;

namespace {

const QTimeZone berlin("Europe/Berlin");

// "d HH:mm:ss" in January 2026, in Berlin.
QDateTime local(const QString& text) {
    const QDateTime parsed = QDateTime::fromString(u"2026-01-0"_s + text, u"yyyy-MM-dd HH:mm:ss"_s);
    return QDateTime(parsed.date(), parsed.time(), berlin);
}

QTime clock(const QString& text) {
    return QTime::fromString(text, u"HH:mm"_s);
}

} // namespace

class EditorLogicTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cardPlacement_data() {
        // The panel at (x, 38, 380, 620) on a visible area of (0, 30, 1920, 1050); the anchor
        // and the last anchor are rows 44 high given by their middle (0: none).
        for (const char* column : {"panelX", "height", "anchor", "last", "x", "y", "arrowY"})
            QTest::addColumn<int>(column);
        QTest::addColumn<Side>("side");
        const auto row = [](const char* name, int panelX, int height, int anchor, int last, int x,
                            int y, int arrowY, Side side) {
            QTest::newRow(name) << panelX << height << anchor << last << x << y << arrowY << side;
        };
        row("left of the panel, on the row", 1500, 400, 322, 0, 1205, 122, 200, Side::Right);
        row("8 from the screen's left edge", 303, 400, 322, 0, 8, 122, 200, Side::Right);
        row("7 from it: right of the panel", 302, 400, 322, 0, 690, 122, 200, Side::Left);
        row("row at the top: arrow 27 from the corner", 1500, 400, 45, 0, 1205, 38, 27,
            Side::Right);
        row("row at the bottom", 1500, 400, 1075, 0, 1205, 672, 373, Side::Right);
        row("taller than the screen", 1500, 1100, 322, 0, 1205, -28, 350, Side::Right);
        row("no anchor: the last one", 1500, 400, 0, 520, 1205, 320, 200, Side::Right);
        row("neither: the panel's middle", 1500, 400, 0, 0, 1205, 148, 201, Side::Right);
    }

    void cardPlacement() {
        QFETCH(int, panelX);
        QFETCH(int, height);
        QFETCH(int, anchor);
        QFETCH(int, last);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(Side, side);
        const auto rect = [panelX](int middle) {
            return middle ? std::optional(QRect(panelX + 12, middle - 22, 356, 44)) : std::nullopt;
        };
        const CardPlacement::Place p =
            CardPlacement::place(QRect(panelX, 38, 380, 620), QRect(0, 30, 1920, 1050), height,
                                 rect(anchor), rect(last));
        QCOMPARE(p.frame, QRect(x, y, 315, height));
        QCOMPARE(p.side, side);
        QTEST(p.arrowY, "arrowY");
        // The anchor used is kept for the next card.
        QCOMPARE(p.anchor, rect(anchor ? anchor : last).value_or(QRect(panelX, 348, 380, 1)));
        // The arrow's tip, 22 high, is on the side facing the panel.
        const QPainterPath shape = CardPlacement::shape(side, height, p.arrowY);
        const double tip = side == Side::Right ? 313.5 : 1.5;
        QVERIFY(shape.contains(QPointF(tip, p.arrowY)));
        QVERIFY(!shape.contains(QPointF(tip, p.arrowY + 12)));
    }

    void insideThePanelWhereWindowsCannotBePlaced() {
        const QRect panel(1500, 38, 380, 620);
        CardPlacement::Place beside;
        beside.frame = QRect(1205, 600, 315, 400); // would hang below the panel
        const CardPlacement::Place p = CardPlacement::inside(panel, beside);
        QCOMPARE(p.frame, QRect(1532, 250, 315, 400)); // centred across, 8 above its bottom
        beside.frame.moveTop(10);
        QCOMPARE(CardPlacement::inside(panel, beside).frame.top(), 46);
    }

    void timeEditorUnderTheBox() {
        // Right edges in line, 6 under the box; kept 8 inside the panel.
        const QRect box(230, 60, 110, 32);
        QCOMPARE(CardPlacement::timeEditorOrigin(380, box, {240, 90}), QPoint(100, 98));
        QCOMPARE(CardPlacement::timeEditorOrigin(380, box.translated(32, 0), {240, 90}),
                 QPoint(132, 98));
        QCOMPARE(CardPlacement::timeEditorOrigin(380, box, {400, 90}), QPoint(8, 98));
    }

    void save_data() {
        // In: start, end (empty: running), day, start and end clock, duration (empty: as opened).
        QTest::addColumn<QStringList>("in");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<bool>("forceEnd");
        const auto row = [](const char* name, QStringList in, QStringList out, bool force = false) {
            QTest::newRow(name) << in << out << force;
        };
        row("untouched keeps its seconds", {"5 09:00:30", "5 10:30:45", "", "", "", ""},
            {"5 09:00:30", "5 10:30:45"});
        row("overnight, saved unchanged", {"4 23:00:30", "5 01:00:10", "", "", "", ""},
            {"4 23:00:30", "5 01:00:10"});
        row("typed start: seconds dropped, end from the unchanged duration",
            {"5 09:00:30", "5 10:30:45", "", "09:15", "", ""}, {"5 09:15:00", "5 10:45:15"});
        row("typed duration wins over the end picker",
            {"5 09:00:00", "5 10:30:00", "", "", "11:00", "2:00"}, {"5 09:00:00", "5 11:00:00"},
            true);
        row("running stays running", {"5 09:00:30", "", "", "08:45", "", "3:15:00"},
            {"5 08:45:00", ""});
        row("end clock before the start: next day",
            {"4 22:00:00", "4 23:00:00", "", "", "01:00", "?"}, {"4 22:00:00", "5 01:00:00"});
    }

    void save() {
        QFETCH(QStringList, in);
        QFETCH(QStringList, out);
        EntryTimes::Edit edit;
        edit.entry.startedAt = Time::iso(local(in[0]));
        if (!in[1].isEmpty())
            edit.entry.endedAt = Time::iso(local(in[1]));
        const QDateTime now = local(u"5 12:00:00"_s);
        edit.opened = EntryTimes::pickersFor(edit.entry, now, berlin);
        edit.now = edit.opened;
        edit.now.day = in[2].isEmpty() ? edit.opened.day : QDate(2026, 1, in[2].toInt());
        edit.now.start = in[3].isEmpty() ? edit.opened.start : clock(in[3]);
        edit.now.end = in[4].isEmpty() ? edit.opened.end : clock(in[4]);
        edit.openedDuration = Time::hms(edit.entry.duration(now));
        edit.duration = in[5].isEmpty() ? edit.openedDuration : in[5];
        QFETCH(bool, forceEnd);
        edit.forceEnd = forceEnd;
        const EntryTimes::Saved saved = EntryTimes::save(edit, berlin);
        QCOMPARE(saved.startedAt, Time::iso(local(out[0])));
        QCOMPARE(saved.endedAt,
                 out[1].isEmpty() ? std::nullopt : std::optional(Time::iso(local(out[1]))));
    }

    void daysAndClockTimes_data() {
        for (const char* column : {"start", "endClock", "startUtc", "endUtc"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char* name, const char* start, const char* end,
                            const char* startUtc, const char* endUtc) {
            QTest::newRow(name) << start << end << startUtc << endUtc;
        };
        row("winter", "2026-01-05 09:30", "10:00", "2026-01-05T08:30:00Z", "2026-01-05T09:00:00Z");
        row("23:00 to 01:00 is two hours", "2026-01-05 23:00", "01:00", "2026-01-05T22:00:00Z",
            "2026-01-06T00:00:00Z");
        row("spring night: 23:00 to 04:00 is four hours", "2026-03-28 23:00", "04:00",
            "2026-03-28T22:00:00Z", "2026-03-29T02:00:00Z");
        row("a skipped clock time moves on by the gap", "2026-03-29 02:30", "03:30",
            "2026-03-29T01:30:00Z", "2026-03-29T01:30:00Z");
        row("autumn night: 23:00 to 04:00 is six hours", "2026-10-24 23:00", "04:00",
            "2026-10-24T21:00:00Z", "2026-10-25T03:00:00Z");
    }

    void daysAndClockTimes() {
        QFETCH(QString, start);
        QFETCH(QString, endClock);
        const QDate day = QDate::fromString(start.left(10), Qt::ISODate);
        const QDateTime from = EntryTimes::combine(day, clock(start.mid(11)), berlin);
        QTEST(Time::iso(from), "startUtc");
        QTEST(Time::iso(EntryTimes::endAfter(from, day, clock(endClock), berlin)), "endUtc");
    }
};

QTEST_GUILESS_MAIN(EditorLogicTest)
#include "EditorLogicTest.moc"

// The details card's placement, the time editor's placement, and the time
// rules of the editors, as tables.

#include "model/Time.h"
#include "ui/editor/CardPlacement.h"
#include "ui/editor/EntryTimes.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Side = CardPlacement::Side;

Q_DECLARE_METATYPE(std::optional<QRect>)

namespace {

const QTimeZone berlin("Europe/Berlin");

// "yyyy-MM-dd HH:mm:ss" in Berlin, as stored text.
QString at(const QString& local) {
    const QDateTime parsed = QDateTime::fromString(local, u"yyyy-MM-dd HH:mm:ss"_s);
    return Time::iso(QDateTime(parsed.date(), parsed.time(), berlin));
}

QDateTime berlinTime(const QString& local) {
    const QDateTime parsed = QDateTime::fromString(local, u"yyyy-MM-dd HH:mm"_s);
    return QDateTime(parsed.date(), parsed.time(), berlin);
}

} // namespace

class EditorLogicTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cardPlacement_data() {
        QTest::addColumn<QRect>("panel");
        QTest::addColumn<int>("height");
        QTest::addColumn<std::optional<QRect>>("anchor");
        QTest::addColumn<std::optional<QRect>>("last");
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<Side>("side");
        QTest::addColumn<int>("arrowY");
        const QRect panel(1500, 38, 380, 620);
        const QRect row(1512, 300, 356, 44); // middle 322
        const std::optional<QRect> none;
        // The visible area is (0, 30, 1920, 1050): bottom edge 1080.
        QTest::newRow("left of the panel, centred on the row")
            << panel << 400 << std::optional(row) << none << QRect(1205, 122, 315, 400)
            << Side::Right << 200;
        QTest::newRow("exactly 8 from the left edge stays left")
            << QRect(303, 38, 380, 620) << 400 << std::optional(row) << none
            << QRect(8, 122, 315, 400) << Side::Right << 200;
        QTest::newRow("one closer flips to the right, arrow on the left")
            << QRect(302, 38, 380, 620) << 400 << std::optional(row) << none
            << QRect(690, 122, 315, 400) << Side::Left << 200;
        QTest::newRow("row at the top: top 8 inside, arrow 27 from the corner")
            << panel << 400 << std::optional(QRect(1512, 40, 356, 10)) << none
            << QRect(1205, 38, 315, 400) << Side::Right << 27;
        QTest::newRow("row at the bottom: arrow 27 from the bottom corner")
            << panel << 400 << std::optional(QRect(1512, 1070, 356, 10)) << none
            << QRect(1205, 672, 315, 400) << Side::Right << 373;
        QTest::newRow("taller than the screen: bottom 8 above the bottom")
            << panel << 1100 << std::optional(row) << none << QRect(1205, -28, 315, 1100)
            << Side::Right << 350;
        QTest::newRow("no anchor: the last one")
            << panel << 400 << none << std::optional(QRect(1512, 500, 356, 40))
            << QRect(1205, 320, 315, 400) << Side::Right << 200;
        QTest::newRow("neither: the panel's middle")
            << panel << 400 << none << none << QRect(1205, 148, 315, 400) << Side::Right << 201;
    }

    void cardPlacement() {
        QFETCH(QRect, panel);
        QFETCH(int, height);
        QFETCH(std::optional<QRect>, anchor);
        QFETCH(std::optional<QRect>, last);
        QFETCH(QRect, frame);
        QFETCH(Side, side);
        QFETCH(int, arrowY);
        const CardPlacement::Place p =
            CardPlacement::place(panel, QRect(0, 30, 1920, 1050), height, anchor, last);
        QCOMPARE(p.frame, frame);
        QCOMPARE(p.side, side);
        QCOMPARE(p.arrowY, arrowY);
        // The anchor used is the one kept for the next card.
        QCOMPARE(p.anchor, anchor ? *anchor : last ? *last : QRect(1500, 348, 380, 1));
        // The arrow's tip is on the side facing the panel, 22 high.
        const QPainterPath shape = CardPlacement::shape(side, height, arrowY);
        const double tip = side == Side::Right ? 313.5 : 1.5;
        QVERIFY(shape.contains(QPointF(tip, arrowY)));
        QVERIFY(!shape.contains(QPointF(tip, arrowY + 12)));
    }

    void timeEditorOrigin_data() {
        QTest::addColumn<QRect>("box");
        QTest::addColumn<int>("width");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("right edges in line") << QRect(230, 60, 110, 32) << 240 << QPoint(100, 98);
        QTest::newRow("kept 8 inside on the right")
            << QRect(262, 60, 110, 32) << 240 << QPoint(132, 98);
        QTest::newRow("wider than the panel: 8 from the left")
            << QRect(230, 60, 110, 32) << 400 << QPoint(8, 98);
    }

    void timeEditorOrigin() {
        QFETCH(QRect, box);
        QFETCH(int, width);
        QFETCH(QPoint, origin);
        QCOMPARE(CardPlacement::timeEditorOrigin(380, box, QSize(width, 90)), origin);
    }

    void save_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end"); // empty: running
        QTest::addColumn<QString>("day"); // the day picker, empty: unchanged
        QTest::addColumn<QString>("startClock");
        QTest::addColumn<QString>("endClock");
        QTest::addColumn<QString>("duration"); // empty: unchanged
        QTest::addColumn<bool>("forceEnd");
        QTest::addColumn<QString>("savedStart");
        QTest::addColumn<QString>("savedEnd");
        QTest::newRow("untouched keeps the stored seconds") << "2026-01-05 09:00:30"
                                                            << "2026-01-05 10:30:45"
                                                            << ""
                                                            << ""
                                                            << ""
                                                            << "" << false << "2026-01-05 09:00:30"
                                                            << "2026-01-05 10:30:45";
        QTest::newRow("overnight, opened and saved unchanged")
            << "2026-01-04 23:00:30"
            << "2026-01-05 01:00:10"
            << ""
            << ""
            << ""
            << "" << false << "2026-01-04 23:00:30"
            << "2026-01-05 01:00:10";
        QTest::newRow("typed start drops its seconds, end from the unchanged duration")
            << "2026-01-05 09:00:30"
            << "2026-01-05 10:30:45"
            << ""
            << "09:15"
            << ""
            << "" << false << "2026-01-05 09:15:00"
            << "2026-01-05 10:45:15";
        QTest::newRow("typed duration wins over the end picker")
            << "2026-01-05 09:00:00"
            << "2026-01-05 10:30:00"
            << ""
            << ""
            << "11:00"
            << "2:00" << true << "2026-01-05 09:00:00"
            << "2026-01-05 11:00:00";
        QTest::newRow("a running entry stays running") << "2026-01-05 09:00:30"
                                                       << ""
                                                       << ""
                                                       << ""
                                                       << ""
                                                       << "" << false << "2026-01-05 09:00:30"
                                                       << "";
        QTest::newRow("a running entry with its start typed stays running")
            << "2026-01-05 09:00:30"
            << ""
            << ""
            << "08:45"
            << ""
            << "3:15:00" << false << "2026-01-05 08:45:00"
            << "";
        QTest::newRow("a running entry with a typed duration ends")
            << "2026-01-05 09:00:30"
            << ""
            << ""
            << ""
            << ""
            << "1:00" << true << "2026-01-05 09:00:30"
            << "2026-01-05 10:00:30";
        QTest::newRow("end clock before the start is the next day")
            << "2026-01-04 22:00:00"
            << "2026-01-04 23:00:00"
            << ""
            << ""
            << "01:00"
            << "?" << false << "2026-01-04 22:00:00"
            << "2026-01-05 01:00:00";
        QTest::newRow("another day moves start and end") << "2026-01-05 09:00:30"
                                                         << "2026-01-05 10:30:45"
                                                         << "2026-01-07"
                                                         << ""
                                                         << ""
                                                         << "" << false << "2026-01-07 09:00:30"
                                                         << "2026-01-07 10:30:45";
    }

    void save() {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, day);
        QFETCH(QString, startClock);
        QFETCH(QString, endClock);
        QFETCH(QString, duration);
        QFETCH(bool, forceEnd);
        QFETCH(QString, savedStart);
        QFETCH(QString, savedEnd);
        Entry entry;
        entry.startedAt = at(start);
        if (!end.isEmpty())
            entry.endedAt = at(end);
        const QDateTime now = berlinTime(u"2026-01-05 12:00"_s);
        EntryTimes::Edit edit;
        edit.entry = entry;
        edit.opened = EntryTimes::pickersFor(entry, now, berlin);
        edit.now = edit.opened;
        if (!day.isEmpty())
            edit.now.day = QDate::fromString(day, Qt::ISODate);
        if (!startClock.isEmpty())
            edit.now.start = QTime::fromString(startClock, u"HH:mm"_s);
        if (!endClock.isEmpty())
            edit.now.end = QTime::fromString(endClock, u"HH:mm"_s);
        edit.openedDuration = Time::hms(entry.duration(now));
        edit.duration = duration.isEmpty() ? edit.openedDuration : duration;
        edit.forceEnd = forceEnd;
        const EntryTimes::Saved saved = EntryTimes::save(edit, berlin);
        QCOMPARE(saved.startedAt, at(savedStart));
        QCOMPARE(saved.endedAt,
                 savedEnd.isEmpty() ? std::nullopt : std::optional<QString>(at(savedEnd)));
    }

    void daysAndClockTimes_data() {
        QTest::addColumn<QString>("start"); // Berlin
        QTest::addColumn<QString>("endClock");
        QTest::addColumn<QString>("startUtc");
        QTest::addColumn<QString>("endUtc");
        QTest::newRow("winter day") << "2026-01-05 09:30"
                                    << "10:00"
                                    << "2026-01-05T08:30:00Z"
                                    << "2026-01-05T09:00:00Z";
        QTest::newRow("overnight: 23:00 to 01:00 is two hours") << "2026-01-05 23:00"
                                                                << "01:00"
                                                                << "2026-01-05T22:00:00Z"
                                                                << "2026-01-06T00:00:00Z";
        QTest::newRow("same clock time: no length") << "2026-01-05 09:30"
                                                    << "09:30"
                                                    << "2026-01-05T08:30:00Z"
                                                    << "2026-01-05T08:30:00Z";
        QTest::newRow("through the spring change: 23:00 to 04:00 is four hours")
            << "2026-03-28 23:00"
            << "04:00"
            << "2026-03-28T22:00:00Z"
            << "2026-03-29T02:00:00Z";
        QTest::newRow("a clock time the spring night skips moves on by the gap")
            << "2026-03-29 02:30"
            << "03:30"
            << "2026-03-29T01:30:00Z"
            << "2026-03-29T01:30:00Z";
        QTest::newRow("through the autumn change: 23:00 to 04:00 is six hours")
            << "2026-10-24 23:00"
            << "04:00"
            << "2026-10-24T21:00:00Z"
            << "2026-10-25T03:00:00Z";
        QTest::newRow("summer day") << "2026-07-01 12:00"
                                    << "13:15"
                                    << "2026-07-01T10:00:00Z"
                                    << "2026-07-01T11:15:00Z";
    }

    void daysAndClockTimes() {
        QFETCH(QString, start);
        QFETCH(QString, endClock);
        QFETCH(QString, startUtc);
        QFETCH(QString, endUtc);
        const QDateTime parsed = QDateTime::fromString(start, u"yyyy-MM-dd HH:mm"_s);
        const QDateTime from = EntryTimes::combine(parsed.date(), parsed.time(), berlin);
        QCOMPARE(Time::iso(from), startUtc);
        const QDateTime to = EntryTimes::endAfter(from, parsed.date(),
                                                  QTime::fromString(endClock, u"HH:mm"_s), berlin);
        QCOMPARE(Time::iso(to), endUtc);
    }
};

QTEST_GUILESS_MAIN(EditorLogicTest)
#include "EditorLogicTest.moc"

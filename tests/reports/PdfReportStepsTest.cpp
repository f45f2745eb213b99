#include "TestEnv.h"
#include "reports/PDFReport.h"
#include "reports/PdfLayout.h"
#include "reports/PdfStyle.h"
#include "reports/PdfText.h"

#include <QFontInfo>
#include <QTest>

using namespace Qt::StringLiterals;

// The steps of the PDF report before drawing: rows, totals, the average, the
// ring chart's slices, thumbnails and text measurement.
class PdfReportStepsTest : public QObject {
    Q_OBJECT

private:
    // 2026-01-05T12:00:00Z
    const QDateTime m_now = QDateTime(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC);

    static ReportEntry entry(qint64 id, const QString& start, std::optional<qint64> duration,
                             std::optional<QString> client = std::nullopt,
                             std::optional<QString> color = std::nullopt) {
        ReportEntry e;
        e.id = id;
        e.startedAt = start;
        e.duration = duration;
        e.clientName = std::move(client);
        e.clientColor = std::move(color);
        e.description = u"Task "_s + QString::number(id);
        return e;
    }

    static Report clients(int count) {
        Report r;
        for (int i = 0; i < count; ++i) {
            r.grouped.client.append(
                ReportBucket{u"Client "_s + QString::number(i + 1), qint64(1000 - i * 10)});
        }
        return r;
    }

private Q_SLOTS:
    void rowsAreSortedByStart() {
        Report r;
        r.entries = {entry(1, u"2026-01-05T10:00:00Z"_s, 60),
                     entry(2, u"2026-01-05T08:00:00+01:00"_s, 60), entry(3, u"not a date"_s, 60),
                     entry(4, u"2026-01-05T10:00:00Z"_s, 60),
                     entry(5, u"2026-01-05T06:59:59.500Z"_s, 60)};
        QStringList order;
        for (const PDFReport::Row& row : PDFReport::buildRows(r, {}, m_now))
            order.append(row.desc);
        // Unreadable starts come first; equal starts keep their order.
        QCOMPARE(order,
                 (QStringList{u"Task 3"_s, u"Task 5"_s, u"Task 2"_s, u"Task 1"_s, u"Task 4"_s}));
    }

    void rowCells() {
        const PdfStyle style;
        Report r;
        r.entries = {entry(1, u"2026-01-05T09:00:00Z"_s, 5400, u"Acme"_s, u"#FF0000"_s),
                     entry(2, u"2026-01-05T09:10:00Z"_s, std::nullopt, u""_s, u"#00ff00"_s),
                     entry(3, u"2026-01-05T09:20:00Z"_s, 59, u"Globex"_s, u"red"_s),
                     entry(4, u"garbage"_s, std::nullopt)};
        r.entries[0].description = u"  \n Design review \t"_s;
        r.entries[1].description = u" \n\t "_s;
        PDFReport::Screenshots shots;
        QImage image(10, 10, QImage::Format_RGB32);
        shots.insert(1, QList<QImage>(9, image));
        shots.insert(99, {image});

        const QList<PDFReport::Row> rows = PDFReport::buildRows(r, shots, m_now);
        QCOMPARE(rows.size(), 4);
        const PDFReport::Row& acme = rows[1];
        QCOMPARE(acme.desc, u"Design review"_s);
        QCOMPARE(acme.descColor, style.ink);
        QCOMPARE(acme.client, u"Acme"_s);
        QCOMPARE(acme.clientColor, QColor(255, 0, 0));
        QCOMPARE(acme.duration, u"1:30:00"_s);
        QCOMPARE(acme.shots.size(), 6);

        // Running entry: the time from its start until now.
        const PDFReport::Row& running = rows[2];
        QCOMPARE(running.desc, u"(no description)"_s);
        QCOMPARE(running.descColor, style.sub);
        QVERIFY(!running.client);
        QCOMPARE(running.clientColor, QColor(0, 255, 0));
        QCOMPARE(running.duration, u"2:50:00"_s);
        QVERIFY(running.shots.isEmpty());

        QCOMPARE(rows[3].client, u"Globex"_s);
        QVERIFY(!rows[3].clientColor);
        QCOMPARE(rows[3].duration, u"0:00:59"_s);
        // A running entry whose start cannot be read counts 0 seconds.
        QCOMPARE(rows[0].duration, u"0:00:00"_s);
    }

    void runningEntryStartedInTheFutureCountsZero() {
        Report r;
        r.entries = {entry(1, u"2026-01-05T13:00:00Z"_s, std::nullopt)};
        QCOMPARE(PDFReport::buildRows(r, {}, m_now)[0].duration, u"0:00:00"_s);
        QCOMPARE(PDFReport::totalSeconds(r, m_now), 0);
    }

    void totalSeconds_data() {
        QTest::addColumn<qint64>("reportTotal");
        QTest::addColumn<QList<qint64>>("durations"); // -1: running since 10:00
        QTest::addColumn<qint64>("total");
        QTest::newRow("no entries: the report's total")
            << qint64(5400) << QList<qint64>{} << qint64(5400);
        QTest::newRow("entries: their sum") << qint64(1) << QList<qint64>{60, 120} << qint64(180);
        QTest::newRow("running entries count until now")
            << qint64(0) << QList<qint64>{60, -1} << qint64(60 + 7200);
        QTest::newRow("a sum of 0 falls back") << qint64(99) << QList<qint64>{0, 0} << qint64(99);
    }

    void totalSeconds() {
        QFETCH(qint64, reportTotal);
        QFETCH(QList<qint64>, durations);
        QFETCH(qint64, total);
        Report r;
        r.total = reportTotal;
        for (qint64 d : durations) {
            r.entries.append(entry(r.entries.size() + 1, u"2026-01-05T10:00:00Z"_s,
                                   d < 0 ? std::nullopt : std::optional<qint64>(d)));
        }
        QCOMPARE(PDFReport::totalSeconds(r, m_now), total);
    }

    void averageDailyHours() {
        Report r;
        // 37.5 hours over five start days (by the first ten characters).
        const char* starts[] = {"2026-01-05T09:00:00Z", "2026-01-05T23:00:00Z",
                                "2026-01-06T09:00:00Z", "2026-01-07T09:00:00Z",
                                "2026-01-08T09:00:00Z", "2026-01-09T09:00:00+05:00"};
        for (const char* s : starts)
            r.entries.append(entry(1, QString::fromLatin1(s), 22500));
        const qint64 total = PDFReport::totalSeconds(r, m_now);
        QCOMPARE(total, 135000);
        QCOMPARE(PDFReport::averageDailyHours(r, total), 7.5);
        QCOMPARE(QString::asprintf("%.2f Hours", PDFReport::averageDailyHours(r, total)),
                 u"7.50 Hours"_s);
        QCOMPARE(PDFReport::averageDailyHours(r, 0), 0.0);
        QCOMPARE(PDFReport::averageDailyHours(Report{}, 3600), 0.0);
    }

    void slicesOfServerBuckets_data() {
        QTest::addColumn<int>("clients");
        QTest::addColumn<int>("slices");
        QTest::addColumn<qint64>("other");
        QTest::newRow("six: no Other") << 6 << 6 << qint64(0);
        QTest::newRow("seven: Other holds the seventh") << 7 << 7 << qint64(940);
        QTest::newRow("nine: Other holds the rest") << 9 << 7 << qint64(940 + 930 + 920);
    }

    void slicesOfServerBuckets() {
        QFETCH(int, clients);
        QFETCH(int, slices);
        QFETCH(qint64, other);
        const QList<PDFReport::Slice> s = PDFReport::pieSlices(this->clients(clients), m_now);
        QCOMPARE(s.size(), slices);
        for (int i = 0; i < std::min(slices, 6); ++i) {
            QCOMPARE(s[i].name, u"Client "_s + QString::number(i + 1));
            QCOMPARE(s[i].color, PdfStyle::palette(i));
        }
        if (other > 0) {
            QCOMPARE(s.last().name, u"Other"_s);
            QCOMPARE(s.last().seconds, other);
            QCOMPARE(s.last().color, PdfStyle().otherSlice);
        }
    }

    void slicesTakeClientColoursFromEntries() {
        Report r = clients(3);
        r.grouped.client.prepend(ReportBucket{u"Idle"_s, 0});
        r.entries = {entry(1, u"x"_s, 1, u"Client 2"_s, u"#112233"_s),
                     entry(2, u"x"_s, 1, u"Client 2"_s, u"#445566"_s),
                     entry(3, u"x"_s, 1, u"Client 3"_s, u"not a colour"_s),
                     entry(4, u"x"_s, 1, std::nullopt, u"#ffffff"_s)};
        const QList<PDFReport::Slice> s = PDFReport::pieSlices(r, m_now);
        // Zero buckets are left out; the later entry's colour wins.
        QCOMPARE(s.size(), 3);
        QCOMPARE(s[0].color, PdfStyle::palette(0));
        QCOMPARE(s[1].color, QColor(0x44, 0x55, 0x66));
        QCOMPARE(s[2].color, PdfStyle::palette(2));
    }

    void slicesFallBackToEntries() {
        Report r;
        r.grouped.client = {ReportBucket{u"Acme"_s, 0}, ReportBucket{u"Globex"_s, 0}};
        r.entries = {entry(1, u"2026-01-05T09:00:00Z"_s, 600, u"Acme"_s),
                     entry(2, u"2026-01-05T10:00:00Z"_s, 300),
                     entry(3, u"2026-01-05T11:00:00Z"_s, std::nullopt),
                     entry(4, u"2026-01-05T11:30:00Z"_s, 900, u"Globex"_s, u"#00ff00"_s),
                     entry(5, u""_s, std::nullopt, u"Acme"_s)};
        const QList<PDFReport::Slice> s = PDFReport::pieSlices(r, m_now);
        QCOMPARE(s.size(), 3);
        // Largest first: No client = 300 + 3600 (running since 11:00).
        QCOMPARE(s[0], (PDFReport::Slice{u"No client"_s, 3900, PdfStyle::palette(0)}));
        QCOMPARE(s[1], (PDFReport::Slice{u"Globex"_s, 900, QColor(0, 255, 0)}));
        QCOMPARE(s[2], (PDFReport::Slice{u"Acme"_s, 600, PdfStyle::palette(2)}));
    }

    void otherNeedsAtLeastOneSecond() {
        Report r;
        for (int i = 0; i < 8; ++i) {
            r.entries.append(entry(i, u"2026-01-05T09:00:00Z"_s, i < 6 ? 100 - i : 0,
                                   u"C"_s + QString::number(i)));
        }
        const QList<PDFReport::Slice> s = PDFReport::pieSlices(r, m_now);
        QCOMPARE(s.size(), 6);
        QVERIFY(PDFReport::pieSlices(Report{}, m_now).isEmpty());
    }

    void thumbnail_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("full HD") << QSize(1920, 1080) << QSize(184, 103);
        QTest::newRow("tall") << QSize(500, 2000) << QSize(29, 116);
        QTest::newRow("already small") << QSize(160, 100) << QSize(160, 100);
        QTest::newRow("exactly twice the cell") << QSize(184, 116) << QSize(184, 116);
    }

    void thumbnail() {
        QFETCH(QSize, size);
        QFETCH(QSize, expected);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QImage thumb = PDFReport::thumbnail(image);
        QCOMPARE(thumb.size(), expected);
        QCOMPARE(thumb.pixelColor(thumb.width() / 2, thumb.height() / 2), QColor(Qt::red));
        if (size == expected)
            QCOMPARE(thumb.cacheKey(), image.cacheKey());
        QVERIFY(PDFReport::thumbnail(QImage()).isNull());
    }

    void textWrapsAtWords() {
        const PdfStyle style;
        const double line = PdfText::lineHeight(style.cellFont);
        QVERIFY(line > 11 && line < 16);
        const PdfText one(u"Short"_s, {.font = style.cellFont, .color = style.ink}, 296);
        QCOMPARE(one.lineCount(), 1);
        QCOMPARE(one.height(), line);

        const QString words = QString(u"lorem ipsum dolor "_s).repeated(20).trimmed();
        const PdfText many(words, {.font = style.cellFont, .color = style.ink}, 296);
        QVERIFY(many.lineCount() > 3);
        QCOMPARE(many.height(), line * many.lineCount());
        QVERIFY(many.naturalWidth() <= 296);
        // A word longer than the column is broken.
        const PdfText longWord(QString(200, u'x'), {.font = style.cellFont, .color = style.ink},
                               296);
        QVERIFY(longWord.lineCount() > 1);
        // Line breaks in the text are kept.
        const PdfText breaks(u"a\nb\r\nc"_s, {.font = style.cellFont, .color = style.ink}, 296);
        QCOMPARE(breaks.lineCount(), 3);
    }

    void truncatedTextIsOneLine() {
        const PdfStyle style;
        const TextStyle cut{.font = style.legendFont, .color = style.ink, .truncate = true};
        const PdfText fits(u"Acme"_s, cut, 199.28);
        QCOMPARE(fits.lineCount(), 1);
        const PdfText tooLong(QString(u"A very long client name "_s).repeated(10), cut, 199.28);
        QCOMPARE(tooLong.lineCount(), 1);
        QCOMPARE(tooLong.height(), PdfText::lineHeight(style.legendFont));
        QVERIFY(tooLong.naturalWidth() <= 199.28);
        QVERIFY(tooLong.naturalWidth() > 150);
    }

    // Duration figures line up: every digit is as wide as any other.
    void durationDigitsAreTabular() {
        const PdfStyle style;
        const double width = PdfText::textWidth(u"0:00:00"_s, style.durFont);
        for (const QString& text : {u"1:11:11"_s, u"8:88:88"_s, u"7:47:17"_s})
            QCOMPARE(PdfText::textWidth(text, style.durFont), width);
        // Letter spacing widens a text by the spacing per character, also
        // when the text is cut to fit.
        const double plain = PdfText::textWidth(u"SUMMARY"_s, style.boxHeadFont);
        QCOMPARE(PdfText::textWidth(u"SUMMARY"_s, style.boxHeadFont, 0.6), plain + 7 * 0.6);
        const TextStyle spaced{.font = style.boxHeadFont, .color = style.sub, .kern = 0.6};
        QCOMPARE(PdfText(u"SUMMARY"_s, spaced, 475.28).naturalWidth(), plain + 7 * 0.6);
        TextStyle cut = spaced;
        cut.truncate = true;
        const PdfText label(u"AVERAGE DAILY HOURS"_s, cut, 60);
        QCOMPARE(label.lineCount(), 1);
        QVERIFY(label.naturalWidth() <= 60);
        QVERIFY(label.naturalWidth() > 45);
    }

    // The report is set in DejaVu Sans at the stated sizes.
    void fonts() {
        const PdfStyle style;
        QCOMPARE(QFontInfo(style.cellFont).family(), u"DejaVu Sans"_s);
        QCOMPARE(style.titleFont.pointSizeF(), 20.0);
        QCOMPARE(style.boxHeadFont.pointSizeF(), 8.5);
        QCOMPARE(style.tableTitleFont.pointSizeF(), 12.5);
        QVERIFY(style.titleFont.weight() > QFont::Normal);
        QCOMPARE(style.cellFont.weight(), QFont::Normal);
    }
};

QTEST_MAIN(PdfReportStepsTest)
#include "PdfReportStepsTest.moc"

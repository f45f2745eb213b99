#include "reports/PDFReport.h"
#include "PdfProbe.h"
#include "TestEnv.h"
#include "model/Time.h"
#include "reports/PdfLayout.h"

#include <QTest>

using namespace Qt::StringLiterals;
using PDFReport::PagePlan;

Q_DECLARE_METATYPE(QList<PagePlan>)

// The PDF report: row heights, first-page positions, pagination, rows, the
// ring chart's slices, and whole documents read back with poppler's tools.
class PdfReportTest : public QObject {
    Q_OBJECT

    const QDateTime m_now = QDateTime(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC);

    static ReportEntry entry(qint64 id, std::optional<qint64> duration,
                             std::optional<QString> client = std::nullopt,
                             const QString& start = u"2026-01-05T10:00:00Z"_s) {
        ReportEntry e;
        e.id = id;
        e.description = u"Row%1"_s.arg(id, 3, 10, QChar(u'0'));
        e.startedAt = start;
        e.duration = duration;
        e.clientName = std::move(client);
        return e;
    }

    static QByteArray pdf(const Report& r, std::optional<QString> filters = std::nullopt) {
        return PDFReport::data(r, {u"Detailed report"_s, u"01/01/2026 - 31/12/2026"_s, filters},
                               {});
    }

private Q_SLOTS:
    void rowHeight_data() {
        QTest::addColumn<double>("text");
        QTest::addColumn<int>("shots");
        QTest::addColumn<double>("height");
        QTest::newRow("exactly the minimum text") << 20.0 << 0 << 34.0;
        QTest::newRow("just above it rounds up") << 20.1 << 0 << 35.0;
        QTest::newRow("three shots, one line") << 12.8 << 3 << 106.0;
        QTest::newRow("four shots, two lines") << 12.8 << 4 << 170.0;
        QTest::newRow("more than six draw six") << 12.8 << 7 << 170.0;
    }

    void rowHeight() {
        QFETCH(double, text);
        QFETCH(int, shots);
        QFETCH(double, height);
        QCOMPARE(PdfLayout::rowHeight(text, shots), height);
    }

    void firstPage() {
        // y0 = 44 + 24 + 4 + 13 = 85; the table title line is 15 high.
        for (bool chip : {false, true}) {
            const PdfLayout::FirstPage p = PdfLayout::firstPage(23.3, 12.8, 14.6, chip);
            const double shift = chip ? 16 : 0;
            QCOMPARE(p.y0, 85.0);
            QCOMPARE(p.summaryTop, 103 + shift);
            QCOMPARE(p.chartTop, 203 + shift);
            QCOMPARE(p.tableTitleTop, 403 + shift);
            QCOMPARE(p.headingsTop, 424 + shift);
            QCOMPARE(p.rowsTop, 450 + shift);
        }
    }

    void paginate_data() {
        QTest::addColumn<QList<double>>("heights");
        QTest::addColumn<double>("firstTop");
        QTest::addColumn<QList<PagePlan>>("pages");
        QTest::newRow("no rows: one empty first page")
            << QList<double>{} << 450.0 << QList<PagePlan>{{0, 0, true}};
        QTest::newRow("a row ending on the budget line stays")
            << QList<double>{34, PdfLayout::rowsBottom - 734} << 700.0
            << QList<PagePlan>{{0, 2, true}};
        QTest::newRow("a row passing it moves on")
            << QList<double>{30, 30, 8} << 700.0 << QList<PagePlan>{{0, 2, true}, {2, 3, false}};
        QTest::newRow("a first row too tall for the first page stays on it")
            << QList<double>{68, 34} << 700.0 << QList<PagePlan>{{0, 1, true}, {1, 2, false}};
        QTest::newRow("a row taller than a page is alone on its own page")
            << QList<double>{34, 2000, 34} << 450.0
            << QList<PagePlan>{{0, 1, true}, {1, 2, false}, {2, 3, false}};
        // Continuation pages hold floor(667.89 / 34) = 19 rows of 34.
        QTest::newRow("continuation pages start at 100")
            << QList<double>(9 + 19 + 1, 34) << 450.0
            << QList<PagePlan>{{0, 9, true}, {9, 28, false}, {28, 29, false}};
    }

    void paginate() {
        QFETCH(QList<double>, heights);
        QFETCH(double, firstTop);
        QFETCH(QList<PagePlan>, pages);
        QCOMPARE(PdfLayout::paginate(heights, firstTop), pages);
    }

    void rows() {
        Report r;
        r.entries = {entry(1, 5400, u"Acme"_s),
                     entry(2, std::nullopt, {}, u"2026-01-05T09:10:00Z"_s),
                     entry(3, 59, {}, u"not a date"_s),
                     entry(4, std::nullopt, {}, u"2026-01-05T13:00:00Z"_s)};
        r.entries[0].description = u"  \n Design review \t"_s;
        r.entries[1].description = u" \n\t "_s;
        QImage image(10, 10, QImage::Format_RGB32);
        const QList<PDFReport::Row> rows =
            PDFReport::buildRows(r, {{1, QList<QImage>(7, image)}}, m_now);
        // Unreadable starts first, then by start; running ones count until now.
        QStringList seen;
        for (const PDFReport::Row& row : rows)
            seen.append(row.desc + u'/' + row.duration + u'/' + QString::number(row.shots.size()));
        QCOMPARE(seen, (QStringList{u"Row003/0:00:59/0"_s, u"(no description)/2:50:00/0"_s,
                                    u"Design review/1:30:00/6"_s, u"Row004/0:00:00/0"_s}));
    }

    // Six clients get slices of their own, the rest share "Other".
    void slices_data() {
        QTest::addColumn<int>("clients");
        QTest::addColumn<QStringList>("slices");
        QTest::newRow("six") << 6 << QStringList{u"C1=600"_s, u"C2=590"_s, u"C3=580"_s,
                                                 u"C4=570"_s, u"C5=560"_s, u"C6=550"_s};
        QTest::newRow("seven") << 7
                               << QStringList{u"C1=600"_s, u"C2=590"_s, u"C3=580"_s,   u"C4=570"_s,
                                              u"C5=560"_s, u"C6=550"_s, u"Other=540"_s};
        QTest::newRow("nine") << 9
                              << QStringList{u"C1=600"_s, u"C2=590"_s, u"C3=580"_s,    u"C4=570"_s,
                                             u"C5=560"_s, u"C6=550"_s, u"Other=1590"_s};
    }

    void slices() {
        QFETCH(int, clients);
        QFETCH(QStringList, slices);
        for (bool fromEntries : {false, true}) {
            Report r;
            for (int i = 1; i <= clients; ++i) {
                const QString name = u"C%1"_s.arg(i);
                if (fromEntries)
                    r.entries.append(entry(i, 610 - i * 10, name));
                else
                    r.grouped.client.append(ReportBucket{name, 610 - i * 10});
            }
            QStringList got;
            for (const PDFReport::Slice& s : PDFReport::pieSlices(r, m_now))
                got.append(s.name + u'=' + QString::number(s.seconds));
            QCOMPARE(got, slices);
        }
    }

    // 8 rows of 34 points fit below the first page's header with its filter
    // chip, 19 on the others.
    void pagesAndPageNumbers_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::newRow("a full first page") << 8 << 1;
        QTest::newRow("one row more") << 9 << 2;
        QTest::newRow("full continuation pages") << 8 + 19 * 3 << 4;
        QTest::newRow("one row more again") << 8 + 19 * 3 + 1 << 5;
    }

    void pagesAndPageNumbers() {
        QFETCH(int, rows);
        QFETCH(int, pages);
        TestEnv env(m_now);
        Report r;
        for (int i = 1; i <= rows; ++i)
            r.entries.append(entry(i, 60, {}, Time::iso(m_now.addSecs(i - 1000))));
        const PdfProbe doc(pdf(r, u"Client: Acme"_s));
        QCOMPARE(doc.pages(), pages);
        QString all;
        for (int page = 1; page <= pages; ++page) {
            const QString text = doc.text(page);
            all += text;
            // The number at the top of continuation pages and in every footer.
            QCOMPARE(text.count(u"Page %1 of %2"_s.arg(page).arg(pages)), page == 1 ? 1 : 2);
            QCOMPARE(text.contains(u"Detailed report (continued)"_s), page > 1);
            QVERIFY(text.contains(QString::asprintf("Total %d:%02d:00", rows / 60, rows % 60)));
        }
        // Every row once, in start order.
        for (int i = 1; i <= rows; ++i)
            QCOMPARE(all.count(entry(i, 0).description), 1);
        QVERIFY(all.indexOf(entry(rows, 0).description) >
                all.indexOf(entry(rows - 1, 0).description));
    }
};

QTEST_MAIN(PdfReportTest)
#include "PdfReportTest.moc"

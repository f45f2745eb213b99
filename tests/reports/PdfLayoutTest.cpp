#include "reports/PdfLayout.h"

#include <QTest>

using PDFReport::PagePlan;

Q_DECLARE_METATYPE(QList<PagePlan>)

namespace QTest {
template <>
char* toString(const PagePlan& p) {
    return qstrdup(QByteArray("[" + QByteArray::number(p.begin) + "," + QByteArray::number(p.end) +
                              (p.first ? ") first" : ")"))
                       .constData());
}
} // namespace QTest

// Row heights, the first page's positions and the pagination of the PDF report.
class PdfLayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowHeight_data() {
        QTest::addColumn<double>("descHeight");
        QTest::addColumn<int>("shots");
        QTest::addColumn<double>("height");
        QTest::newRow("empty text keeps the minimum") << 0.0 << 0 << 34.0;
        QTest::newRow("one line keeps the minimum") << 12.8 << 0 << 34.0;
        QTest::newRow("exactly the minimum") << 20.0 << 0 << 34.0;
        QTest::newRow("just above the minimum rounds up") << 20.1 << 0 << 35.0;
        QTest::newRow("three lines") << 38.4 << 0 << 53.0;
        QTest::newRow("one shot") << 12.8 << 1 << 106.0;
        QTest::newRow("three shots, one line") << 12.8 << 3 << 106.0;
        QTest::newRow("four shots, two lines") << 12.8 << 4 << 170.0;
        QTest::newRow("six shots") << 12.8 << 6 << 170.0;
        QTest::newRow("more than six draw six") << 12.8 << 9 << 170.0;
        QTest::newRow("long text with shots") << 64.0 << 2 << 64.0 + 14 + 72;
    }

    void rowHeight() {
        QFETCH(double, descHeight);
        QFETCH(int, shots);
        QFETCH(double, height);
        QCOMPARE(PdfLayout::rowHeight(descHeight, shots), height);
    }

    void thumbnailLines_data() {
        QTest::addColumn<int>("shots");
        QTest::addColumn<int>("lines");
        QTest::addColumn<double>("block");
        QTest::newRow("0") << 0 << 0 << 0.0;
        QTest::newRow("1") << 1 << 1 << 72.0;
        QTest::newRow("3") << 3 << 1 << 72.0;
        QTest::newRow("4") << 4 << 2 << 136.0;
        QTest::newRow("6") << 6 << 2 << 136.0;
        QTest::newRow("7") << 7 << 2 << 136.0;
    }

    void thumbnailLines() {
        QFETCH(int, shots);
        QFETCH(int, lines);
        QFETCH(double, block);
        QCOMPARE(PdfLayout::thumbnailLines(shots), lines);
        QCOMPARE(PdfLayout::thumbnailBlock(shots), block);
    }

    void fourShotsAreOneLineTaller() {
        for (double desc : {0.0, 12.8, 40.0, 300.0})
            QCOMPARE(PdfLayout::rowHeight(desc, 4) - PdfLayout::rowHeight(desc, 3), 64.0);
    }

    void firstPage_data() {
        QTest::addColumn<bool>("chip");
        QTest::addColumn<double>("summaryTop");
        QTest::addColumn<double>("rowsTop");
        // y0 = 44 + 24 + 4 + 13 = 85; the table title line is 15 high.
        QTest::newRow("without a filter chip") << false << 103.0 << 450.0;
        QTest::newRow("with a filter chip") << true << 119.0 << 466.0;
    }

    void firstPage() {
        QFETCH(bool, chip);
        QFETCH(double, summaryTop);
        QFETCH(double, rowsTop);
        const PdfLayout::FirstPage p = PdfLayout::firstPage(23.3, 12.8, 14.6, chip);
        QCOMPARE(p.y0, 85.0);
        QCOMPARE(p.summaryTop, summaryTop);
        QCOMPARE(p.chartTop, summaryTop + 100);
        QCOMPARE(p.tableTitleTop, summaryTop + 300);
        QCOMPARE(p.headingsTop, summaryTop + 321);
        QCOMPARE(p.rowsTop, rowsTop);
    }

    void paginate_data() {
        QTest::addColumn<QList<double>>("heights");
        QTest::addColumn<double>("firstTop");
        QTest::addColumn<QList<PagePlan>>("pages");

        QTest::newRow("no rows: one empty first page")
            << QList<double>{} << 450.0 << QList<PagePlan>{{0, 0, true}};
        QTest::newRow("a row ending on the budget line stays")
            << QList<double>{67} << 700.0 << QList<PagePlan>{{0, 1, true}};
        QTest::newRow("a row passing it moves on")
            << QList<double>{30, 30, 8} << 700.0 << QList<PagePlan>{{0, 2, true}, {2, 3, false}};
        QTest::newRow("a first row too tall for the first page stays on it")
            << QList<double>{68, 34} << 700.0 << QList<PagePlan>{{0, 1, true}, {1, 2, false}};
        QTest::newRow("a row taller than a page is alone on its own page")
            << QList<double>{34, 2000, 34} << 450.0
            << QList<PagePlan>{{0, 1, true}, {1, 2, false}, {2, 3, false}};
        QTest::newRow("two tall rows one after the other")
            << QList<double>{900, 900} << 450.0 << QList<PagePlan>{{0, 1, true}, {1, 2, false}};
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

    // Every row is on exactly one page, pages follow each other, and no page
    // but one holding a single row runs past the budget line.
    void paginateCoversAllRows() {
        QList<double> heights;
        for (int i = 0; i < 500; ++i)
            heights.append(34 + (i * 37) % 300);
        const QList<PagePlan> pages = PdfLayout::paginate(heights, 450);
        qsizetype next = 0;
        for (const PagePlan& page : pages) {
            QCOMPARE(page.begin, next);
            QVERIFY(page.end > page.begin);
            QCOMPARE(page.first, next == 0);
            double y = page.first ? 450 : PdfLayout::continuationRowsTop;
            for (qsizetype i = page.begin; i < page.end; ++i)
                y += heights[i];
            QVERIFY(y <= PdfLayout::rowsBottom || page.size() == 1);
            if (page.end < heights.size())
                QVERIFY(y + heights[page.end] > PdfLayout::rowsBottom);
            next = page.end;
        }
        QCOMPARE(next, heights.size());
    }
};

QTEST_GUILESS_MAIN(PdfLayoutTest)
#include "PdfLayoutTest.moc"

#include "PdfProbe.h"
#include "TestEnv.h"
#include "model/Time.h"
#include "reports/PDFReport.h"
#include "reports/PdfLayout.h"
#include "reports/PdfStyle.h"
#include "reports/PdfText.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

// Whole PDF documents, read back with poppler's tools.
class PdfDocumentTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;

    static PDFReport::Meta meta(std::optional<QString> filters = std::nullopt) {
        return PDFReport::Meta{u"Detailed report"_s, u"01/01/2026 - 31/12/2026"_s,
                               std::move(filters)};
    }

    static ReportEntry entry(qint64 id, const QString& description, qint64 duration,
                             std::optional<QString> client = std::nullopt,
                             std::optional<QString> color = std::nullopt) {
        ReportEntry e;
        e.id = id;
        e.description = description;
        e.startedAt =
            Time::iso(QDateTime(QDate(2026, 1, 5), QTime(8, 0), Qt::UTC).addSecs(id * 60));
        e.duration = duration;
        e.clientName = std::move(client);
        e.clientColor = std::move(color);
        return e;
    }

    static Report withClients(int count) {
        Report r;
        for (int i = 0; i < count; ++i) {
            const QString name = u"Client%1"_s.arg(i + 1);
            r.grouped.client.append(ReportBucket{name, 3600});
            r.entries.append(entry(i + 1, u"Work for "_s + name, 3600, name));
        }
        return r;
    }

    // An image that compresses about as badly as a busy screenshot.
    static QImage busyImage(int width, int height, quint32 seed) {
        QImage image(width, height, QImage::Format_RGB32);
        QRandomGenerator random(seed);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] = random.generate() | 0xff000000u;
        }
        return image;
    }

    static PdfLayout::FirstPage geometry(bool chip) {
        const PdfStyle s;
        return PdfLayout::firstPage(PdfText::lineHeight(s.titleFont),
                                    PdfText::lineHeight(s.periodFont),
                                    PdfText::lineHeight(s.tableTitleFont), chip);
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>(QDateTime(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC));
    }
    void cleanup() { m_env.reset(); }

    void emptyReport() {
        Report r;
        r.total = 5400;
        const PdfProbe pdf(PDFReport::data(r, meta(), {}));
        QCOMPARE(pdf.pages(), 1);
        QVERIFY2(pdf.info(u"Page size"_s).endsWith(u"(A4)"_s),
                 qPrintable(pdf.info(u"Page size"_s)));
        const QString text = pdf.text();
        for (const QString& expected :
             {u"Detailed report"_s, u"Made with Zevra Tikit"_s, u"01/01/2026 - 31/12/2026"_s,
              u"SUMMARY"_s, u"TOTAL HOURS"_s, u"1:30:00"_s, u"BILLABLE HOURS"_s, u"AMOUNT"_s,
              u"AVERAGE DAILY HOURS"_s, u"0.00 Hours"_s, u"CLIENT DISTRIBUTION"_s, u"No data."_s,
              u"Time entries from 01/01/2026 - 31/12/2026"_s, u"DESCRIPTION"_s, u"CLIENT"_s,
              u"DURATION"_s, u"No time entries in this period."_s, u"Total 1:30:00"_s,
              u"Page 1 of 1"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected));
        QVERIFY(!text.contains(u"(continued)"_s));
        QVERIFY(!text.contains(u"selected"_s));
        // The fonts travel with the document.
        const QStringList fonts = pdf.embeddedFonts();
        QVERIFY2(fonts.contains(u"DejaVuSans"_s), qPrintable(fonts.join(u',')));
        QVERIFY2(fonts.contains(u"DejaVuSans-Bold"_s), qPrintable(fonts.join(u',')));
    }

    void positionsOfTheFirstPage() {
        Report r;
        r.entries = {entry(1, u"Alpha"_s, 60)};
        const PdfProbe plain(PDFReport::data(r, meta(), {}));
        const PdfProbe chip(PDFReport::data(r, meta(u"Clients: 3 selected"_s), {}));

        QCOMPARE(plain.wordBox(1, u"Detailed"_s).left(), 44.0);
        QVERIFY(qAbs(plain.wordBox(1, u"Detailed"_s).top() - 44) < 0.5);
        // Right-aligned texts end at the right margin.
        QVERIFY(qAbs(plain.wordBox(1, u"Tikit"_s).right() - PdfLayout::right) < 0.5);
        // The row's duration is the one at the right margin, below the headings.
        const QList<QRectF> durations = plain.wordBoxes(1, u"0:01:00"_s);
        QCOMPARE(durations.size(), 5);
        bool rowDuration = false;
        for (const QRectF& box : durations) {
            if (qAbs(box.right() - PdfLayout::right) < 0.5 &&
                qAbs(box.top() - (geometry(false).rowsTop + 7)) < 1)
                rowDuration = true;
        }
        QVERIFY(rowDuration);

        // Letter-spaced headings: wider than plain text, right-aligned ones
        // ending one spacing before the margin.
        const PdfStyle style;
        QVERIFY(plain.wordBox(1, u"SUMMARY"_s).width() >
                PdfText::textWidth(u"SUMMARY"_s, style.boxHeadFont) + 3);
        QVERIFY(qAbs(plain.wordBox(1, u"DURATION"_s).right() - (PdfLayout::right - 0.5)) < 0.3);

        // Without the filter chip the summary box starts 16 points higher.
        QCOMPARE(chip.text(1).contains(u"Clients: 3 selected"_s), true);
        QVERIFY(qAbs(chip.wordBox(1, u"Clients:"_s).left() - 56) < 0.5);
        const double summaryPlain = plain.wordBox(1, u"SUMMARY"_s).top();
        const double summaryChip = chip.wordBox(1, u"SUMMARY"_s).top();
        QVERIFY(qAbs(summaryChip - summaryPlain - 16) < 0.01);
        QVERIFY(qAbs(summaryPlain - (geometry(false).summaryTop + 12)) < 1);

        // The first row's description starts 7 below the row's top.
        QVERIFY(qAbs(plain.wordBox(1, u"Alpha"_s).top() - (geometry(false).rowsTop + 7)) < 1);
        QCOMPARE(plain.wordBox(1, u"Alpha"_s).left(), 44.0);
        QVERIFY(qAbs(plain.wordBox(1, u"Total"_s).top() - PdfLayout::footerText) < 0.5);
    }

    void noDescriptionAndAverage() {
        Report r;
        // 37.5 hours over five start days.
        for (int day = 0; day < 5; ++day) {
            ReportEntry e = entry(day + 1, day == 0 ? u"   "_s : u"Day work"_s, 27000);
            e.startedAt = u"2026-01-0%1T09:00:00Z"_s.arg(day + 5);
            r.entries.append(e);
        }
        const QString text = PdfProbe(PDFReport::data(r, meta(), {})).text();
        QVERIFY(text.contains(u"(no description)"_s));
        QVERIFY(text.contains(u"7.50 Hours"_s));
        QVERIFY(text.contains(u"37:30:00"_s));
    }

    void runningEntryCountsUntilNow() {
        Report r;
        ReportEntry e = entry(1, u"Still going"_s, 0);
        e.duration.reset();
        e.startedAt = u"2026-01-05T09:10:00Z"_s;
        r.entries = {e};
        const QString text = PdfProbe(PDFReport::data(r, meta(), {})).text();
        QVERIFY(text.contains(u"Total 2:50:00"_s));
        // Summary, ring, legend, row and footer.
        QCOMPARE(text.count(u"2:50:00"_s), 5);
    }

    void slices_data() {
        QTest::addColumn<int>("clients");
        QTest::addColumn<bool>("other");
        QTest::addColumn<QString>("otherShare");
        QTest::newRow("six") << 6 << false << QString();
        QTest::newRow("seven") << 7 << true << u"14.3%"_s;
        QTest::newRow("nine") << 9 << true << u"33.3%"_s;
    }

    void slices() {
        QFETCH(int, clients);
        QFETCH(bool, other);
        QFETCH(QString, otherShare);
        const PdfProbe pdf(PDFReport::data(withClients(clients), meta(), {}));
        // The legend's names stand at x = 224.
        QStringList legend;
        for (const PdfProbe::Word& w : pdf.words(1)) {
            if (qAbs(w.box.left() - 224) < 0.5)
                legend.append(w.text);
        }
        QStringList expected;
        for (int i = 1; i <= 6; ++i)
            expected.append(u"Client%1"_s.arg(i));
        if (other)
            expected.append(u"Other"_s);
        QCOMPARE(legend, expected);
        if (other)
            QVERIFY(pdf.text(1).contains(otherShare));
    }

    void fallbackBucketsWithoutClient() {
        Report r;
        r.grouped.client = {ReportBucket{u"Acme"_s, 0}};
        r.entries = {entry(1, u"One"_s, 600, u"Acme"_s, u"#ff0000"_s), entry(2, u"Two"_s, 1800)};
        const QString text = PdfProbe(PDFReport::data(r, meta(), {})).text(1);
        QVERIFY(text.contains(u"No client"_s));
        QVERIFY(text.contains(u"75.0%"_s));
        QVERIFY(text.contains(u"25.0%"_s));
        QVERIFY(!text.contains(u"No data."_s));
    }

    // The ring starts at the top and runs clockwise; the angles are shares of
    // the report total, so slices that do not add up to it leave a gap.
    void ringChart() {
        Report r;
        r.grouped.client = {ReportBucket{u"Red"_s, 900}, ReportBucket{u"Blue"_s, 900}};
        r.entries = {entry(1, u"a"_s, 900, u"Red"_s, u"#ff0000"_s),
                     entry(2, u"b"_s, 900, u"Blue"_s, u"#0000ff"_s), entry(3, u"c"_s, 1800)};
        const PdfProbe pdf(PDFReport::data(r, meta(), {}));
        const QImage page = pdf.render(1, 144);
        QVERIFY(!page.isNull());
        const QPointF centre(126, geometry(false).chartTop + 96);
        auto at = [&](double clockwiseDegrees) {
            const double a = clockwiseDegrees * M_PI / 180;
            const QPointF p = centre + QPointF(50 * std::sin(a), -50 * std::cos(a));
            return page.pixelColor(int(p.x() * 2), int(p.y() * 2));
        };
        QCOMPARE(at(45), QColor(255, 0, 0));
        QCOMPARE(at(135), QColor(0, 0, 255));
        QCOMPARE(at(225), QColor(Qt::white));
        QCOMPARE(at(315), QColor(Qt::white));
        // The hole stays empty above its text.
        QCOMPARE(page.pixelColor(int(centre.x() * 2), int((centre.y() - 25) * 2)),
                 QColor(Qt::white));
        QVERIFY(pdf.text(1).contains(u"25.0%"_s));
    }

    void rowWithFourShotsIsOneLineTaller() {
        QImage shot(160, 100, QImage::Format_RGB32);
        shot.fill(Qt::darkCyan);
        Report r;
        r.entries = {entry(1, u"First"_s, 60), entry(2, u"Second"_s, 60)};
        const double three = PdfProbe(PDFReport::data(r, meta(), {{1, QList<QImage>(3, shot)}}))
                                 .wordBox(1, u"Second"_s)
                                 .top();
        const double four = PdfProbe(PDFReport::data(r, meta(), {{1, QList<QImage>(4, shot)}}))
                                .wordBox(1, u"Second"_s)
                                .top();
        const double none = PdfProbe(PDFReport::data(r, meta(), {})).wordBox(1, u"Second"_s).top();
        QCOMPARE(four - three, 64.0);
        QCOMPARE(three - none, 72.0);
    }

    // A client name that wraps makes its row taller instead of running into
    // the next row.
    void longClientNameGrowsItsRow() {
        Report r;
        r.entries = {entry(1, u"First"_s, 60,
                           u"Acme Corporation International Holdings Limited Partnership"_s),
                     entry(2, u"Second"_s, 60, u"Globex"_s)};
        const PdfProbe pdf(PDFReport::data(r, meta(), {}));
        const QRectF second = pdf.wordBox(1, u"Second"_s);
        const QRectF lastLine = pdf.wordBox(1, u"Partnership"_s);
        QVERIFY(!lastLine.isEmpty());
        QVERIFY(lastLine.top() > pdf.wordBox(1, u"First"_s).bottom());
        QVERIFY2(lastLine.bottom() + 7 <= second.top(),
                 qPrintable(u"%1 %2"_s.arg(lastLine.bottom()).arg(second.top())));

        r.entries[0].clientName = u"Acme"_s;
        const double shortRow =
            PdfProbe(PDFReport::data(r, meta(), {})).wordBox(1, u"Second"_s).top();
        QVERIFY(second.top() - shortRow > 20);
    }

    void longDescriptionGetsItsOwnPage() {
        Report r;
        const QString huge =
            u"Start "_s + QString(u"lots of careful detail "_s).repeated(300) + u"Finish"_s;
        r.entries = {entry(1, u"Before"_s, 60), entry(2, huge, 60), entry(3, u"After"_s, 60)};
        const PdfProbe pdf(PDFReport::data(r, meta(), {}));
        QCOMPARE(pdf.pages(), 3);
        QVERIFY(pdf.text(1).contains(u"Before"_s));
        QVERIFY(!pdf.text(1).contains(u"Start"_s));
        const QString second = pdf.text(2);
        QVERIFY(second.contains(u"Detailed report (continued)"_s));
        QVERIFY(second.contains(u"Start lots"_s));
        QVERIFY(!second.contains(u"Before"_s) && !second.contains(u"After"_s));
        QVERIFY(pdf.text(3).contains(u"After"_s));
        QCOMPARE(pdf.text(3).count(u"Page 3 of 3"_s), 2);
    }

    void continuationPages() {
        Report r;
        for (int i = 1; i <= 70; ++i)
            r.entries.append(entry(i, u"Row%1"_s.arg(i, 3, 10, QChar(u'0')), 60));
        const PdfProbe pdf(PDFReport::data(r, meta(u"Client: Acme"_s), {}));
        const int pages = pdf.pages();
        // 8 rows of 34 points fit below the first page's header (with its
        // filter chip), 19 on the others.
        QCOMPARE(pages, 5);
        QString all;
        for (int page = 1; page <= pages; ++page) {
            const QString text = pdf.text(page);
            all += text;
            const QString number = u"Page %1 of %2"_s.arg(page).arg(pages);
            QCOMPARE(text.count(number), page == 1 ? 1 : 2);
            QCOMPARE(text.contains(u"Detailed report (continued)"_s), page > 1);
            QCOMPARE(text.contains(u"SUMMARY"_s), page == 1);
            QVERIFY(text.contains(u"DESCRIPTION"_s));
            QVERIFY(text.contains(u"Total 1:10:00"_s));
            if (page > 1) {
                QVERIFY(qAbs(pdf.wordBox(page, u"DESCRIPTION"_s).top() - 74) < 0.5);
                QVERIFY(qAbs(pdf.wordBox(page, u"(continued)"_s).top() - 44) < 1);
            }
        }
        for (int i = 1; i <= 70; ++i)
            QCOMPARE(all.count(u"Row%1"_s.arg(i, 3, 10, QChar(u'0'))), 1);
        // Rows are in start order across the pages.
        QVERIFY(all.indexOf(u"Row013"_s) < all.indexOf(u"Row014"_s));
    }

    // Large screenshots are stored at about twice the cell's size, so the file
    // stays small while the picture looks the same.
    void thumbnailsAreDownscaled() {
        const QImage big = busyImage(1920, 1080, 7);
        Report r;
        PDFReport::Screenshots shots;
        for (int i = 1; i <= 3; ++i) {
            r.entries.append(entry(i, u"Shots %1"_s.arg(i), 60));
            shots.insert(i, QList<QImage>(6, big));
        }
        shots[2].append(big); // a seventh is not drawn
        const QByteArray data = PDFReport::data(r, meta(), shots);
        const PdfProbe pdf(data);
        const QList<QSize> images = pdf.images();
        QCOMPARE(images.size(), 18);
        for (const QSize& s : images)
            QCOMPARE(s, QSize(184, 103));
        QVERIFY2(data.size() < 2 * 1024 * 1024, QByteArray::number(data.size()));

        // The thumbnail sits centred in its 92 x 58 cell.
        const QImage page = pdf.render(1, 72);
        const double top = geometry(false).rowsTop + 7 + 20 + 8;
        const double drawn = 92.0 * 1080 / 1920;
        auto isGrey = [](QColor c) { return c.red() == c.green() && c.green() == c.blue(); };
        QVERIFY(!isGrey(page.pixelColor(44 + 46, int(top + 29))));
        QVERIFY(isGrey(page.pixelColor(44 + 46, int(top + (58 - drawn) / 2 - 2))));
    }

    void imagesThatCannotBeDrawnAreSkipped() {
        Report r;
        r.entries = {entry(1, u"One"_s, 60)};
        QImage ok(20, 10, QImage::Format_RGB32);
        ok.fill(Qt::red);
        const PdfProbe pdf(
            PDFReport::data(r, meta(), {{1, {QImage(), ok, QImage(0, 5, QImage::Format_RGB32)}}}));
        QCOMPARE(pdf.images().size(), 1);
    }
};

QTEST_MAIN(PdfDocumentTest)
#include "PdfDocumentTest.moc"

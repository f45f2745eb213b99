#include "app/PanelGeometry.h"
#include "TestEnv.h"
#include "app/TrayTitle.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Placement and size of the floating panel, and the tray's title text.
class PanelGeometryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void origin_data() {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("expected");

        const QRect screen(0, 24, 1920, 1056); // a top bar of 24 px
        QTest::newRow("centred under the icon")
            << QRect(900, 0, 24, 24) << screen << QSize(380, 620) << QPoint(722, 30);
        QTest::newRow("right edge keeps 8 px")
            << QRect(1900, 0, 20, 24) << screen << QSize(380, 620) << QPoint(1920 - 380 - 8, 30);
        QTest::newRow("left edge keeps 8 px")
            << QRect(2, 0, 20, 24) << screen << QSize(380, 620) << QPoint(8, 30);
        QTest::newRow("too narrow: the right bound wins")
            << QRect(100, 0, 20, 24) << QRect(0, 24, 300, 800) << QSize(380, 620)
            << QPoint(300 - 380 - 8, 30);
        QTest::newRow("very short screen: bottom stays 8 px up, over the icon")
            << QRect(900, 0, 24, 24) << QRect(0, 24, 1920, 500) << QSize(380, 620)
            << QPoint(722, 524 - 8 - 620);
        QTest::newRow("icon in a bottom panel: lifted above it")
            << QRect(1800, 1050, 24, 30) << QRect(0, 0, 1920, 1050) << QSize(400, 500)
            << QPoint(1920 - 400 - 8, 1050 - 8 - 500);
        QTest::newRow("second screen to the right")
            << QRect(2900, 0, 24, 24) << QRect(1920, 24, 1280, 1000) << QSize(380, 620)
            << QPoint(2722, 30);
    }

    void origin() {
        QFETCH(QRect, icon);
        QFETCH(QRect, available);
        QFETCH(QSize, size);
        QFETCH(QPoint, expected);
        QCOMPARE(PanelGeometry::origin(icon, available, size), expected);
    }

    void anchor_data() {
        QTest::addColumn<QRect>("tray");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("tray tells") << QRect(10, 0, 22, 22) << QRect(10, 0, 22, 22);
        QTest::newRow("empty: the pointer") << QRect() << QRect(500, 3, 1, 1);
        QTest::newRow("zero size: the pointer") << QRect(10, 0, 0, 0) << QRect(500, 3, 1, 1);
    }

    void anchor() {
        QFETCH(QRect, tray);
        QFETCH(QRect, expected);
        QCOMPARE(PanelGeometry::anchor(tray, QPoint(500, 3)), expected);
    }

    void emptyIconPlacesUnderPointer() {
        const QRect icon = PanelGeometry::anchor(QRect(), QPoint(1000, 10));
        QCOMPARE(PanelGeometry::origin(icon, QRect(0, 0, 1920, 1080), QSize(380, 620)),
                 QPoint(1000 - 190, 17));
    }

    void storedSize_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("300 x 700 ignored") << 300.0 << 700.0 << QSize(380, 620);
        QTest::newRow("400 x 500 used") << 400.0 << 500.0 << QSize(400, 500);
        QTest::newRow("never stored") << 0.0 << 0.0 << QSize(380, 620);
        QTest::newRow("height too small") << 500.0 << 379.0 << QSize(380, 620);
        QTest::newRow("smallest kept") << 320.0 << 380.0 << QSize(320, 380);
    }

    void storedSize() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(QSize, expected);
        QCOMPARE(PanelGeometry::sizeFromStored(width, height), expected);
    }

    void nearPanel_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("near");
        QTest::newRow("inside") << QPoint(150, 150) << true;
        QTest::newRow("8 px left") << QPoint(92, 150) << true;
        QTest::newRow("9 px left") << QPoint(91, 150) << false;
        QTest::newRow("8 px below") << QPoint(150, 507) << true;
        QTest::newRow("far away") << QPoint(900, 900) << false;
    }

    void nearPanel() {
        QFETCH(QPoint, point);
        QFETCH(bool, near);
        QCOMPARE(PanelGeometry::nearPanel(QRect(100, 100, 300, 400), point), near);
    }

    void title_data() {
        QTest::addColumn<std::optional<QString>>("startedAt");
        QTest::addColumn<QString>("title");
        QTest::newRow("nothing runs") << std::optional<QString>() << QString();
        QTest::newRow("12:05") << std::optional<QString>(u"2026-01-05T09:17:55Z"_s) << u" 12:05"_s;
        QTest::newRow("1:02:09") << std::optional<QString>(u"2026-01-05T08:27:51Z"_s)
                                 << u" 1:02:09"_s;
        QTest::newRow("just started")
            << std::optional<QString>(u"2026-01-05T09:30:00Z"_s) << u" 0:00"_s;
    }

    void title() {
        QFETCH(std::optional<QString>, startedAt);
        QFETCH(QString, title);
        std::optional<Entry> running;
        if (startedAt) {
            running = Entry();
            running->startedAt = *startedAt;
        }
        const QDateTime now(QDate(2026, 1, 5), QTime(9, 30), Qt::UTC);
        QCOMPARE(TrayTitle::text(running, now), title);
        QCOMPARE(TrayTitle::tooltip(title), u"Zevra Tikit"_s + title);
    }
};

QTEST_GUILESS_MAIN(PanelGeometryTest)
#include "PanelGeometryTest.moc"

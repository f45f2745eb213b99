#include "app/PanelGeometry.h"

#include <QTest>

// Placement and size of the floating panel.
class PanelGeometryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void origin_data() {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 24, 1920, 1056); // under a top bar of 24 px
        // A 380 × 620 panel: centred 6 px under the icon, 8 px inside the screen.
        QTest::newRow("under the icon") << QRect(900, 0, 24, 24) << screen << QPoint(722, 30);
        QTest::newRow("right edge") << QRect(1900, 0, 20, 24) << screen << QPoint(1532, 30);
        QTest::newRow("left edge") << QRect(2, 0, 20, 24) << screen << QPoint(8, 30);
        QTest::newRow("narrow: right bound wins")
            << QRect(100, 0, 20, 24) << QRect(0, 24, 300, 800) << QPoint(-88, 30);
        QTest::newRow("short screen")
            << QRect(900, 0, 24, 24) << QRect(0, 24, 1920, 500) << QPoint(722, 524 - 8 - 620);
        QTest::newRow("bottom panel")
            << QRect(1800, 1050, 24, 30) << QRect(0, 0, 1920, 1050) << QPoint(1532, 1050 - 8 - 620);
        QTest::newRow("second screen")
            << QRect(2900, 0, 24, 24) << QRect(1920, 24, 1280, 1000) << QPoint(2722, 30);
        QTest::newRow("pointer, no tray geometry")
            << PanelGeometry::anchor(QRect(10, 0, 0, 0), QPoint(1000, 10)) << screen
            << QPoint(1000 - 190, 17);
    }

    void origin() {
        QFETCH(QRect, icon);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        QCOMPARE(PanelGeometry::origin(icon, available, QSize(380, 620)), expected);
        QCOMPARE(PanelGeometry::anchor(icon, QPoint(5, 5)), icon);
    }

    void storedSize_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("never stored") << 0.0 << 0.0 << QSize(380, 620);
        QTest::newRow("smallest kept") << 320.0 << 380.0 << QSize(320, 380);
        QTest::newRow("too narrow") << 319.0 << 700.0 << QSize(380, 620);
        QTest::newRow("too low") << 500.0 << 379.0 << QSize(380, 620);
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
        QTest::newRow("9 px below") << QPoint(150, 508) << false;
    }

    void nearPanel() {
        QFETCH(QPoint, point);
        QFETCH(bool, near);
        QCOMPARE(PanelGeometry::nearPanel(QRect(100, 100, 300, 400), point), near);
    }
};

QTEST_GUILESS_MAIN(PanelGeometryTest)
#include "PanelGeometryTest.moc"

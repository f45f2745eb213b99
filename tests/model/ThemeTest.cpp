#include "model/Theme.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

namespace {
// Channel-wise comparison at the precision a QColor keeps.
bool sameColor(const QColor& actual, double r, double g, double b, double a) {
    const auto near = [](float x, double y) { return qAbs(double(x) - y) < 0.0005; };
    return actual.isValid() && near(actual.redF(), r) && near(actual.greenF(), g) &&
           near(actual.blueF(), b) && near(actual.alphaF(), a);
}

QString describe(const QColor& c) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(c.redF())
        .arg(c.greenF())
        .arg(c.blueF())
        .arg(c.alphaF());
}
} // namespace

// The interface colours and how the dark appearance is chosen.
class ThemeTest : public QObject {
    Q_OBJECT

private:
    QPalette m_original;

private Q_SLOTS:
    void initTestCase() { m_original = QGuiApplication::palette(); }

    void cleanup() {
        Theme::setDarkOverride(std::nullopt);
        QGuiApplication::setPalette(m_original);
    }

    void fixedColors_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void fixedColors() {
        QFETCH(bool, dark);
        Theme::setDarkOverride(dark);
        QVERIFY2(sameColor(Theme::accent(), 0.98, 0.686, 0.231, 1),
                 qPrintable(describe(Theme::accent())));
        QVERIFY(sameColor(Theme::accentDeep(), 0.878, 0.588, 0.118, 1));
        QVERIFY(sameColor(Theme::stop(), 1.0, 0.36, 0.36, 1));
        QVERIFY(sameColor(Theme::onAccent(), 0.13, 0.11, 0.07, 1));
    }

    void appearanceColors_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QColor>("card");
        QTest::addColumn<QColor>("surfaceTint");

        QTest::newRow("light") << false << QColor::fromRgbF(1, 1, 1, 0.72f)
                               << QColor::fromRgbF(1, 1, 1, 0);
        QTest::newRow("dark") << true << QColor::fromRgbF(1, 1, 1, 0.04f)
                              << QColor::fromRgbF(0, 0, 0, 0.52f);
    }

    void appearanceColors() {
        QFETCH(bool, dark);
        QFETCH(QColor, card);
        QFETCH(QColor, surfaceTint);
        Theme::setDarkOverride(dark);
        QCOMPARE(Theme::isDark(), dark);
        QVERIFY2(sameColor(Theme::card(), card.redF(), card.greenF(), card.blueF(), card.alphaF()),
                 qPrintable(describe(Theme::card())));
        QVERIFY2(sameColor(Theme::surfaceTint(), surfaceTint.redF(), surfaceTint.greenF(),
                           surfaceTint.blueF(), surfaceTint.alphaF()),
                 qPrintable(describe(Theme::surfaceTint())));
        QVERIFY(Theme::cardBorder().alpha() > 0);
        QVERIFY(Theme::cardBorder().alpha() < 255);
    }

    void darknessFollowsPalette_data() {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<bool>("dark");

        QTest::newRow("black") << QColor(Qt::black) << true;
        QTest::newRow("typical dark") << QColor(0x2b, 0x2b, 0x2b) << true;
        QTest::newRow("lightness 127") << QColor(127, 127, 127) << true;
        QTest::newRow("lightness 128") << QColor(128, 128, 128) << false;
        QTest::newRow("saturated blue, lightness 127") << QColor(0, 0, 254) << true;
        QTest::newRow("typical light") << QColor(0xef, 0xef, 0xef) << false;
        QTest::newRow("white") << QColor(Qt::white) << false;
    }

    void darknessFollowsPalette() {
        QFETCH(QColor, window);
        QFETCH(bool, dark);
        QPalette palette = m_original;
        palette.setColor(QPalette::Window, window);
        QGuiApplication::setPalette(palette);
        QCOMPARE(Theme::isDark(), dark);
        QCOMPARE(Theme::surfaceTint().alpha() > 0, dark);
        QVERIFY(sameColor(Theme::card(), 1, 1, 1, dark ? 0.04 : 0.72));

        // The override wins over the palette until it is lifted.
        Theme::setDarkOverride(!dark);
        QCOMPARE(Theme::isDark(), !dark);
        Theme::setDarkOverride(std::nullopt);
        QCOMPARE(Theme::isDark(), dark);
    }

    // Colours are resolved on every call: a palette change shows at once.
    void paletteChangeIsFollowed() {
        QPalette palette = m_original;
        palette.setColor(QPalette::Window, Qt::white);
        QGuiApplication::setPalette(palette);
        QCOMPARE(Theme::surfaceTint().alpha(), 0);
        palette.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        QGuiApplication::setPalette(palette);
        QVERIFY(sameColor(Theme::surfaceTint(), 0, 0, 0, 0.52));
    }
};

QTEST_MAIN(ThemeTest)
#include "ThemeTest.moc"

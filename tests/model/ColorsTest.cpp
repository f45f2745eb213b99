#include "model/Colors.h"
#include "model/Theme.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

using namespace Qt::StringLiterals;

// Reading "#RRGGBB" text, the swatch image and how the dark appearance is chosen.
class ColorsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hexText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // null: refused

        QTest::newRow("blanks, no hash") << u"  F97316 \n"_s << u"#f97316"_s;
        QTest::newRow("hash, upper case") << u"\t#FAAF3B"_s << u"#faaf3b"_s;
        QTest::newRow("channels apart") << u"#010203"_s << u"#010203"_s;
        QTest::newRow("three digits") << u"#abc"_s << QString();
        QTest::newRow("five digits") << u"FAAF3"_s << QString();
        QTest::newRow("seven digits") << u"#FAAF3B0"_s << QString();
        QTest::newRow("non-hex") << u"#f9731g"_s << QString();
        QTest::newRow("two hashes") << u"##f9731"_s << QString();
        QTest::newRow("space inside") << u"# f97316"_s << QString();
        QTest::newRow("0x prefix") << u"0x1234"_s << QString();
        QTest::newRow("hash only") << u"#"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void hexText() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(normalizeHex(text), expected.isNull() ? std::nullopt : std::optional(expected));
        const std::optional<QColor> color = colorFromHex(text);
        QCOMPARE(color.has_value(), !expected.isNull());
        if (color)
            QCOMPARE(color->name(QColor::HexArgb), u"#ff"_s + expected.mid(1));
    }

    // A circle inset by half a point, on a transparent square.
    void swatch() {
        const QImage image = colorSwatch(QColor(0xef, 0x44, 0x44), 16, 2.0);
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(image.devicePixelRatio(), 2.0);
        QCOMPARE(image.pixelColor(16, 16), QColor(0xef, 0x44, 0x44));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(31, 31).alpha(), 0);
        QVERIFY(image.pixelColor(16, 0).alpha() < 128);
        QVERIFY(image.pixelColor(0, 16).alpha() < 128);
        QCOMPARE(image.pixelColor(16, 2).alpha(), 255);
    }

    void darknessFollowsPalette_data() {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<bool>("dark");
        QTest::newRow("typical dark") << QColor(0x2b, 0x2b, 0x2b) << true;
        QTest::newRow("lightness 127") << QColor(127, 127, 127) << true;
        QTest::newRow("lightness 128") << QColor(128, 128, 128) << false;
        QTest::newRow("typical light") << QColor(0xef, 0xef, 0xef) << false;
    }

    void darknessFollowsPalette() {
        QFETCH(QColor, window);
        QFETCH(bool, dark);
        const QPalette original = QGuiApplication::palette();
        QPalette palette = original;
        palette.setColor(QPalette::Window, window);
        QGuiApplication::setPalette(palette);
        QCOMPARE(Theme::isDark(), dark);
        QCOMPARE(Theme::surfaceTint().alpha() > 0, dark);
        Theme::setDarkOverride(!dark); // the override wins until it is lifted
        QCOMPARE(Theme::isDark(), !dark);
        QCOMPARE(Theme::card().alpha() < 128, !dark);
        Theme::setDarkOverride(std::nullopt);
        QCOMPARE(Theme::isDark(), dark);
        QGuiApplication::setPalette(original);
    }
};

QTEST_MAIN(ColorsTest)
#include "ColorsTest.moc"

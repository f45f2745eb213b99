#include "model/Colors.h"
#include "model/Theme.h"

#include <QGuiApplication>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

// Reading and normalising "#RRGGBB" text, the swatch image and the palette.
class ColorsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalizeHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // null: absent

        QTest::newRow("blanks around") << u"  F97316 \n"_s << u"#f97316"_s;
        QTest::newRow("with hash, upper case") << u"#FAAF3B"_s << u"#faaf3b"_s;
        QTest::newRow("already canonical") << u"#0ea5e9"_s << u"#0ea5e9"_s;
        QTest::newRow("tab and hash") << u"\t#A1b2C3"_s << u"#a1b2c3"_s;
        QTest::newRow("three digits") << u"#abc"_s << QString();
        QTest::newRow("three digits, no hash") << u"abc"_s << QString();
        QTest::newRow("eight digits") << u"#FAAF3B00"_s << QString();
        QTest::newRow("five digits") << u"FAAF3"_s << QString();
        QTest::newRow("non-hex character") << u"#f9731g"_s << QString();
        QTest::newRow("0x prefix") << u"0x1234"_s << QString();
        QTest::newRow("double hash") << u"##f9731"_s << QString();
        QTest::newRow("space inside") << u"# f97316"_s << QString();
        QTest::newRow("sign") << u"+f9731"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blank") << u" \n\t"_s << QString();
        QTest::newRow("hash only") << u"#"_s << QString();
        QTest::newRow("fullwidth digits") << u"#ＦＡＡＦ３Ｂ"_s << QString();
    }

    void normalizeHex() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(::normalizeHex(text),
                 expected.isNull() ? std::nullopt : std::optional<QString>(expected));
    }

    void colorFromHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");

        QTest::newRow("with hash") << u"#FAAF3B"_s << true << 250 << 175 << 59;
        QTest::newRow("without hash") << u"FAAF3B"_s << true << 250 << 175 << 59;
        QTest::newRow("lower case, blanks") << u" #faaf3b\n"_s << true << 250 << 175 << 59;
        QTest::newRow("black") << u"#000000"_s << true << 0 << 0 << 0;
        QTest::newRow("white") << u"ffffff"_s << true << 255 << 255 << 255;
        QTest::newRow("channels apart") << u"#010203"_s << true << 1 << 2 << 3;
        QTest::newRow("five digits") << u"FAAF3"_s << false << 0 << 0 << 0;
        QTest::newRow("seven digits") << u"#FAAF3B0"_s << false << 0 << 0 << 0;
        QTest::newRow("three digits") << u"#abc"_s << false << 0 << 0 << 0;
        QTest::newRow("two hashes") << u"##FAAF3B"_s << false << 0 << 0 << 0;
        QTest::newRow("non-hex") << u"GGGGGG"_s << false << 0 << 0 << 0;
        QTest::newRow("0x prefix") << u"0x1234"_s << false << 0 << 0 << 0;
        QTest::newRow("sign") << u"+AAF3B"_s << false << 0 << 0 << 0;
        QTest::newRow("space inside") << u"FA AF3B"_s << false << 0 << 0 << 0;
        QTest::newRow("empty") << QString() << false << 0 << 0 << 0;
        QTest::newRow("hash only") << u"#"_s << false << 0 << 0 << 0;
    }

    void colorFromHex() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        const std::optional<QColor> color = ::colorFromHex(text);
        QCOMPARE(color.has_value(), valid);
        if (!color)
            return;
        QCOMPARE(color->spec(), QColor::Rgb);
        QCOMPARE(color->red(), red);
        QCOMPARE(color->green(), green);
        QCOMPARE(color->blue(), blue);
        QCOMPARE(color->alpha(), 255);
    }

    void swatch_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QString>("hex");

        QTest::newRow("12 at 1x") << 12 << 1.0 << u"#FAAF3B"_s;
        QTest::newRow("16 at 1x") << 16 << 1.0 << u"#0ea5e9"_s;
        QTest::newRow("16 at 2x") << 16 << 2.0 << u"#ef4444"_s;
        QTest::newRow("10 at 1.5x") << 10 << 1.5 << u"#22c55e"_s;
        QTest::newRow("40 at 1x") << 40 << 1.0 << u"#64748b"_s;
    }

    void swatch() {
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        QFETCH(QString, hex);
        const QColor color = *::colorFromHex(hex);
        const QImage image = colorSwatch(color, size, ratio);
        const int pixels = qRound(size * ratio);
        QCOMPARE(image.size(), QSize(pixels, pixels));
        QCOMPARE(image.devicePixelRatio(), ratio);
        QVERIFY(image.hasAlphaChannel());

        const int c = pixels / 2;
        for (const QPoint p : {QPoint(c, c), QPoint(c - 1, c - 1), QPoint(c - 1, c)})
            QCOMPARE(image.pixelColor(p).rgba(), color.rgba());
        const int last = pixels - 1;
        for (const QPoint p : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
            QCOMPARE(image.pixelColor(p).alpha(), 0);
        // The edge of the circle lies half a point inside the image: the outer
        // pixels at the middle of each side are only partly covered.
        for (const QPoint p : {QPoint(c, 0), QPoint(0, c), QPoint(c, last), QPoint(last, c)}) {
            const int alpha = image.pixelColor(p).alpha();
            QVERIFY2(alpha < 255, qPrintable(QString::number(alpha)));
        }
        // Covered area: the circle of diameter size - 1 (inset by half a point
        // on each side), not the full square's inscribed circle.
        double covered = 0;
        for (int y = 0; y < pixels; ++y) {
            for (int x = 0; x < pixels; ++x)
                covered += qAlpha(image.pixel(x, y)) / 255.0;
        }
        const double radius = (size - 1) / 2.0 * ratio;
        const double expected = M_PI * radius * radius;
        QVERIFY2(qAbs(covered - expected) < 0.03 * expected,
                 qPrintable(u"covered %1 px, expected %2"_s.arg(covered).arg(expected)));
    }

    void palette() {
        const QStringList expected = {
            u"#FAAF3B"_s, u"#f97316"_s, u"#ef4444"_s, u"#f43f5e"_s, u"#ec4899"_s, u"#a855f7"_s,
            u"#6366f1"_s, u"#3b82f6"_s, u"#0ea5e9"_s, u"#06b6d4"_s, u"#14b8a6"_s, u"#22c55e"_s,
            u"#84cc16"_s, u"#eab308"_s, u"#a16207"_s, u"#64748b"_s,
        };
        QCOMPARE(Theme::clientPalette(), expected);
        for (const QString& hex : Theme::clientPalette())
            QVERIFY2(::colorFromHex(hex).has_value(), qPrintable(hex));
    }
};

QTEST_MAIN(ColorsTest)
#include "ColorsTest.moc"

// Whole-panel renders in a light and a dark palette, idle and running, with
// and without suggestions. Checks the colours that the appearance decides and
// writes the images to $ZEVRA_UI_SNAPSHOT_DIR (when set) for a look by eye.

#include "PanelFixture.h"
#include "UiTestData.h"

#include "model/Theme.h"
#include "ui/panel/ComposerView.h"
#include "ui/panel/SuggestionListView.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(30, 30, 32));
    p.setColor(QPalette::WindowText, QColor(232, 232, 234));
    p.setColor(QPalette::Base, QColor(44, 44, 48));
    p.setColor(QPalette::AlternateBase, QColor(52, 52, 56));
    p.setColor(QPalette::Text, QColor(232, 232, 234));
    p.setColor(QPalette::Button, QColor(52, 52, 56));
    p.setColor(QPalette::ButtonText, QColor(232, 232, 234));
    p.setColor(QPalette::Highlight, QColor(10, 132, 255));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(140, 140, 146));
    return p;
}

QPalette lightPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(236, 236, 238));
    p.setColor(QPalette::WindowText, QColor(28, 28, 30));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(245, 245, 247));
    p.setColor(QPalette::Text, QColor(28, 28, 30));
    p.setColor(QPalette::Button, QColor(245, 245, 247));
    p.setColor(QPalette::ButtonText, QColor(28, 28, 30));
    p.setColor(QPalette::Highlight, QColor(0, 122, 255));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(140, 140, 146));
    return p;
}

// The colour a translucent fill gives over an opaque background.
QColor over(const QColor& fill, const QColor& background) {
    const double a = fill.alphaF();
    return QColor::fromRgbF(float(fill.redF() * a + background.redF() * (1 - a)),
                            float(fill.greenF() * a + background.greenF() * (1 - a)),
                            float(fill.blueF() * a + background.blueF() * (1 - a)));
}

bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class PanelLookTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void render_data();
    void render();
    void setupOverlay_data();
    void setupOverlay();
};

void PanelLookTest::cleanup() {
    Theme::setDarkOverride(std::nullopt);
    QApplication::setPalette(QPalette());
}

void PanelLookTest::render_data() {
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("suggestions");
    for (const bool dark : {false, true}) {
        for (const bool running : {false, true}) {
            for (const bool suggestions : {false, true}) {
                const QString name = QString(dark ? u"dark"_s : u"light"_s) +
                                     (running ? u"-running"_s : u"-idle"_s) +
                                     (suggestions ? u"-suggestions"_s : QString());
                QTest::newRow(qPrintable(name)) << dark << running << suggestions;
            }
        }
    }
}

void PanelLookTest::render() {
    QFETCH(bool, dark);
    QFETCH(bool, running);
    QFETCH(bool, suggestions);
    Theme::setDarkOverride(dark);
    QApplication::setPalette(dark ? darkPalette() : lightPalette());
    const QColor window = QApplication::palette().color(QPalette::Window);

    QWidget host(nullptr, Qt::FramelessWindowHint); // outlives the panel inside it
    PanelFixture f;
    UiTestData::seedSample(f.db());
    if (running)
        f.db().entries.append(UiTestData::entry(u"run"_s, u"Reviewing the panel layout"_s,
                                                UiTestData::at(-25), std::nullopt, u"c1"_s,
                                                Entry::pending));
    host.setAutoFillBackground(true);
    host.setFixedSize(420, 660);
    f.controller = std::make_unique<PopoverViewController>(&f.model, &host);
    auto* box = new QVBoxLayout(&host);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(f.controller.get());
    f.model.setOnChange([&f] { f.controller->reload(); });
    f.controller->reload();
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    if (suggestions)
        f.controller->showSuggestions(u"s"_s);
    PanelFixture::settle();
    QCOMPARE(f.controller->suggestionView()->isVisible(), suggestions);

    const QImage image = host.grab().toImage();
    if (const QString dir = qEnvironmentVariable("ZEVRA_UI_SNAPSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        QVERIFY(image.save(dir + u'/' + QString::fromLatin1(QTest::currentDataTag()) + u".png"_s));
    }

    // The composer card: white at 4 % (dark) or 72 % (light) over the window.
    ComposerView* composer = f.controller->composer();
    const QPoint inCard =
        composer->mapTo(&host, QPoint(composer->width() / 2, composer->height() - 4));
    const QColor card = over(Theme::card(), window);
    QVERIFY2(near(image.pixelColor(inCard), card),
             qPrintable(image.pixelColor(inCard).name() + u" vs "_s + card.name()));
    // The round button's fill, beside its symbol.
    SymbolButton* button = composer->startStopButton();
    const QPoint inBezel = button->mapTo(&host, QPoint(button->width() / 2, button->height() - 5));
    const QColor bezel = running ? Theme::stop() : Theme::accent();
    QVERIFY2(near(image.pixelColor(inBezel), bezel),
             qPrintable(image.pixelColor(inBezel).name() + u" vs "_s + bezel.name()));
    // Between the cards the window shows through.
    QVERIFY(near(image.pixelColor(4, 330), window));
}

void PanelLookTest::setupOverlay_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light-setup") << false;
    QTest::newRow("dark-setup") << true;
}

void PanelLookTest::setupOverlay() {
    QFETCH(bool, dark);
    Theme::setDarkOverride(dark);
    QApplication::setPalette(dark ? darkPalette() : lightPalette());
    const QColor window = QApplication::palette().color(QPalette::Window);

    QWidget host(nullptr, Qt::FramelessWindowHint);
    PanelFixture f;
    f.db().settings.apiKey.clear();
    host.setAutoFillBackground(true);
    host.setFixedSize(420, 660);
    f.controller = std::make_unique<PopoverViewController>(&f.model, &host);
    auto* box = new QVBoxLayout(&host);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(f.controller.get());
    f.controller->reload();
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    PanelFixture::settle();
    QVERIFY(f.controller->setupOverlay());

    const QImage image = host.grab().toImage();
    if (const QString dir = qEnvironmentVariable("ZEVRA_UI_SNAPSHOT_DIR"); !dir.isEmpty())
        QVERIFY(image.save(dir + u'/' + QString::fromLatin1(QTest::currentDataTag()) + u".png"_s));
    // The backdrop dims the whole panel: black at 45 % over the window.
    QVERIFY(near(image.pixelColor(4, 330), over(QColor(0, 0, 0, 115), window)));
    // The card in the middle is the opaque floating material.
    QVERIFY(near(image.pixelColor(210 - 140, 330), Style::glass()));
}

QTEST_MAIN(PanelLookTest)
#include "PanelLookTest.moc"

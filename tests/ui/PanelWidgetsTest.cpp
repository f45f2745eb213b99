// The building blocks of the panel on their own: rows, chip, helpers, icons
// and the resize edges.

#include "TestEnv.h"
#include "UiTestData.h"

#include "model/AppModel.h"
#include "model/Theme.h"
#include "ui/panel/EntryRowView.h"
#include "ui/panel/GroupRowView.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/panel/ResizeEdgesView.h"
#include "ui/widgets/ChipView.h"
#include "ui/widgets/ClickView.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/LayerView.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using UiTestData::at;
using UiTestData::entry;

namespace {

// What the widget itself paints, on a transparent image.
QImage paintOf(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The panel controller gives rows their model; a bare one is enough here.
struct RowHost {
    TestEnv env;
    AppModel model{env.dataDirectory()};
    PopoverViewController controller{&model};
};

} // namespace

class PanelWidgetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entryRowTexts_data();
    void entryRowTexts();
    void entryRowIndentAndSize();
    void entryRowSeparatorAndHover();
    void groupRowCountsFinishedEntriesOnly();
    void chipConfigure();
    void pinFollowsTheContainer();
    void buttonActionsReplaceEachOther();
    void capsuleAndSymbolButtons();
    void cardBackgroundFollowsTheAppearance();
    void iconsAreBundledAndTinted();
    void textLabelElides();
    void resizeEdgesLetContentThrough();
    void resizeEdgesDragTheWindow();
    void clickViewCallsBack();
};

void PanelWidgetsTest::entryRowTexts_data() {
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("clientId");
    QTest::addColumn<QString>("syncState");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("client");
    QTest::addColumn<bool>("pending");

    QTest::newRow("plain") << u"Report"_s << u"c1"_s << u"synced"_s << u"Report"_s << u"Acme"_s
                           << false;
    QTest::newRow("no description")
        << u""_s << u"c1"_s << u"synced"_s << u"(no description)"_s << u"Acme"_s << false;
    QTest::newRow("unknown client")
        << u"Report"_s << u"gone"_s << u"synced"_s << u"Report"_s << u"No client"_s << false;
    QTest::newRow("no client, pending")
        << u"Report"_s << u""_s << u"pending"_s << u"Report"_s << u"No client"_s << true;
    QTest::newRow("other state") << u"Report"_s << u"c1"_s << u"error"_s << u"Report"_s << u"Acme"_s
                                 << false;
}

void PanelWidgetsTest::entryRowTexts() {
    QFETCH(QString, description);
    QFETCH(QString, clientId);
    QFETCH(QString, syncState);
    QFETCH(QString, title);
    QFETCH(QString, client);
    QFETCH(bool, pending);

    RowHost host;
    host.model.store().db().clients.append(UiTestData::client(u"c1"_s, u"Acme"_s, u"#ef4444"_s));
    const Entry e =
        entry(u"e"_s, description, at(-90), at(-30),
              clientId.isEmpty() ? std::nullopt : std::optional<QString>(clientId), syncState);
    EntryRowView row(e, &host.controller, false);
    QCOMPARE(row.titleText(), title);
    QCOMPARE(row.clientText(), client);
    QCOMPARE(row.showsPending(), pending);
    QCOMPARE(row.dotColor(), client == u"Acme"_s ? QColor(u"#ef4444"_s) : Style::tertiaryLabel());
    QCOMPARE(row.durationLabel()->text(), u"1:00:00"_s);
    QCOMPARE(row.entryIds(), QStringList{u"e"_s});

    // Without a controller nothing can be looked up.
    EntryRowView orphan(e, nullptr, false);
    QCOMPARE(orphan.clientText(), u"No client"_s);
}

void PanelWidgetsTest::entryRowIndentAndSize() {
    TestEnv env;
    const Entry e = entry(u"e"_s, u"Report"_s, at(-90), at(-30));
    EntryRowView plain(e, nullptr, false);
    EntryRowView indented(e, nullptr, true);
    QCOMPARE(plain.contentLeft(), 12);
    QCOMPARE(indented.contentLeft(), 34);
    QVERIFY(plain.sizeHint().height() >= 40);
    plain.resize(360, plain.sizeHint().height());
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QCOMPARE(plain.durationLabel()->geometry().right() + 1, 360 - 8 - 20 - 8);
    QCOMPARE(plain.durationLabel()->width(), 62);
    QCOMPARE(plain.resumeButton()->size(), QSize(20, 20));
    QCOMPARE(plain.resumeButton()->geometry().right() + 1, 360 - 8);
    QCOMPARE(plain.resumeButton()->toolTip(), u"Continue"_s);
    QCOMPARE(plain.resumeButton()->opacity(), 0.0);
    QVERIFY(plain.showsSeparator());
}

void PanelWidgetsTest::entryRowSeparatorAndHover() {
    TestEnv env;
    Theme::setDarkOverride(false);
    const Entry e = entry(u"e"_s, u"Report"_s, at(-90), at(-30));
    QWidget window; // a transparent parent: only what the row paints shows
    auto& row = *new EntryRowView(e, nullptr, false, &window);
    row.resize(360, row.sizeHint().height());
    window.resize(360, row.height());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int bottom = row.height() - 1;
    const QImage with = paintOf(row);
    row.setShowsSeparator(false);
    const QImage without = paintOf(row);
    QVERIFY(with.pixelColor(180, bottom).alpha() > 0);
    QCOMPARE(without.pixelColor(180, bottom).alpha(), 0);

    row.setHovered(true);
    QCOMPARE(row.resumeButton()->opacity(), 1.0);
    const QImage hovered = paintOf(row);
    QCOMPARE(hovered.pixelColor(2, 2), QColor(0, 0, 0, 56)); // black at 0.22
    // The last row of a day follows the card's rounded corner.
    QCOMPARE(hovered.pixelColor(0, bottom).alpha(), 0);
    row.setHovered(false);
    QCOMPARE(paintOf(row).pixelColor(2, 2).alpha(), 0);
    Theme::setDarkOverride(std::nullopt);
}

void PanelWidgetsTest::groupRowCountsFinishedEntriesOnly() {
    RowHost host;
    host.model.store().db().clients.append(UiTestData::client(u"c1"_s, u"Acme"_s, u"#ef4444"_s));
    const QList<Entry> run = {entry(u"run"_s, u"Report"_s, at(-10), std::nullopt, u"c1"_s),
                              entry(u"done"_s, u"report"_s, at(-60), at(-45), u"c1"_s)};
    GroupRowView group(run, false, &host.controller);
    QCOMPARE(group.countText(), u"2"_s);
    QCOMPARE(group.entriesText(), u"· 2 entries"_s);
    QCOMPARE(group.titleText(), u"Report"_s);
    QCOMPARE(group.clientText(), u"Acme"_s);
    QCOMPARE(group.durationLabel()->text(), u"0:15:00"_s);
    QCOMPARE(group.chevronSymbol(), u"chevron.right"_s);
    QCOMPARE(group.entryIds(), QStringList({u"run"_s, u"done"_s}));
    GroupRowView open(run, true, nullptr);
    QCOMPARE(open.chevronSymbol(), u"chevron.down"_s);
    QCOMPARE(open.clientText(), u"No client"_s);

    int toggles = 0;
    group.onToggle = [&toggles] { ++toggles; };
    group.resize(360, group.sizeHint().height());
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));
    QTest::mouseClick(&group, Qt::LeftButton);
    QCOMPARE(toggles, 1);
    QCOMPARE(group.durationLabel()->geometry().right() + 1, 360 - 8 - 20 - 8);
}

void PanelWidgetsTest::chipConfigure() {
    ChipView chip;
    QCOMPARE(chip.text(), u"No client"_s);
    const QColor green(u"#22c55e"_s);
    chip.configure(u"Acme"_s, green);
    QCOMPARE(chip.text(), u"Acme"_s);
    QCOMPARE(chip.dotColor(), green);
    QVERIFY(qAbs(chip.fill()->alphaF() - 0.16) < 0.001);
    QCOMPARE(chip.fill()->rgb(), green.rgb());
    QVERIFY(qAbs(chip.borderColor().alphaF() - 0.4) < 0.001);
    QCOMPARE(chip.radius(), 10.0);
    QCOMPARE(chip.borderWidth(), 1.0);
    int clicks = 0;
    chip.onClick = [&clicks] { ++clicks; };
    chip.resize(chip.sizeHint());
    QTest::mouseClick(&chip, Qt::LeftButton);
    QCOMPARE(clicks, 1);
}

void PanelWidgetsTest::pinFollowsTheContainer() {
    QWidget container;
    container.resize(200, 100);
    container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&container));
    auto* view = new QWidget;
    pin(view, &container, QMargins(5, 6, 7, 8));
    QCOMPARE(view->parentWidget(), &container);
    QCOMPARE(view->geometry(), QRect(5, 6, 200 - 12, 100 - 14));
    container.resize(300, 160);
    QCOMPARE(view->geometry(), QRect(5, 6, 300 - 12, 160 - 14));
    pin(view, &container); // again, with new insets
    QCOMPARE(view->geometry(), QRect(0, 0, 300, 160));
}

void PanelWidgetsTest::buttonActionsReplaceEachOther() {
    QPushButton button;
    int first = 0;
    int second = 0;
    setButtonAction(&button, [&first] { ++first; });
    button.click();
    setButtonAction(&button, [&second] { ++second; });
    button.click();
    button.click();
    QCOMPARE(first, 1);
    QCOMPARE(second, 2);
}

void PanelWidgetsTest::capsuleAndSymbolButtons() {
    TextButton* capsule = capsuleButton(u"Save"_s, Theme::accent(), Theme::onAccent());
    QCOMPARE(capsule->height(), 30);
    QVERIFY(capsule->minimumWidth() >= 82);
    QCOMPARE(capsule->background(), std::optional<QColor>(Theme::accent()));
    QCOMPARE(capsule->font().weight(), QFont::DemiBold);
    delete capsule;

    SymbolButton* symbol = symbolButton(u"gearshape"_s, u"Settings"_s);
    QCOMPARE(symbol->toolTip(), u"Settings"_s);
    QCOMPARE(symbol->accessibleName(), u"Settings"_s);
    QCOMPARE(symbol->tint(), Style::secondaryLabel());
    QVERIFY(!symbol->bezelColor());
    delete symbol;

    LayerView* d = dot(Qt::red, 8);
    QCOMPARE(d->size(), QSize(8, 8));
    QCOMPARE(d->radius(), 4.0);
    delete d;
}

void PanelWidgetsTest::cardBackgroundFollowsTheAppearance() {
    QWidget host;
    host.resize(100, 50);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    LayerView* background = cardBackground(&host, 12);
    Theme::setDarkOverride(true);
    QCOMPARE(*background->fill(), QColor::fromRgbF(1, 1, 1, 0.04f));
    Theme::setDarkOverride(false);
    QCOMPARE(*background->fill(), QColor::fromRgbF(1, 1, 1, 0.72f));
    Theme::setDarkOverride(std::nullopt);
    QCOMPARE(background->radius(), 12.0);
    QCOMPARE(background->borderWidth(), 1.0);
    QCOMPARE(background->geometry(), host.rect());
}

void PanelWidgetsTest::iconsAreBundledAndTinted() {
    const QStringList names = {u"timer"_s,        u"timer.running"_s,   u"play.fill"_s,
                               u"stop.fill"_s,    u"trash"_s,           u"xmark"_s,
                               u"person.2"_s,     u"chart.bar.xaxis"_s, u"gearshape"_s,
                               u"chevron.down"_s, u"chevron.right"_s};
    for (const QString& name : names) {
        QVERIFY2(Icons::exists(name), qPrintable(name));
        const QImage image = Icons::pixmap(name, 24, Qt::red).toImage();
        int painted = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() == 255) {
                    ++painted;
                    QCOMPARE(c.rgb(), QColor(Qt::red).rgb());
                }
            }
        }
        QVERIFY2(painted > 20, qPrintable(name));
    }
    QCOMPARE(Icons::pixmap(u"stop.fill"_s, 20, Qt::blue, 2.0).toImage().size(), QSize(40, 40));
    QVERIFY(!Icons::exists(u"no.such.symbol"_s));
    const QImage blank = Icons::pixmap(u"no.such.symbol"_s, 16, Qt::red).toImage();
    QCOMPARE(blank.pixelColor(8, 8).alpha(), 0);
}

void PanelWidgetsTest::textLabelElides() {
    TextLabel label(u"A rather long description of some work"_s, Style::font(12));
    QVERIFY(label.minimumSizeHint().width() < label.sizeHint().width());
    label.setElide(false);
    QCOMPARE(label.minimumSizeHint(), label.sizeHint());
    label.setText(u"x"_s);
    QCOMPARE(label.text(), u"x"_s);
    label.setColor(Qt::green);
    QCOMPARE(label.color(), QColor(Qt::green));
    label.setTone(Style::Tone::Tertiary);
    QCOMPARE(label.color(), Style::tertiaryLabel());
}

void PanelWidgetsTest::resizeEdgesLetContentThrough() {
    QWidget panel;
    panel.resize(380, 620);
    auto* content = new QWidget(&panel);
    content->setGeometry(panel.rect());
    auto* edges = new ResizeEdgesView(&panel);
    edges->setGeometry(panel.rect());
    edges->raise();
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(panel.childAt(10, 300), content);
    QCOMPARE(panel.childAt(9, 300), edges);
    QCOMPARE(panel.childAt(190, 300), content);
    QCOMPARE(panel.childAt(379, 0), edges);
    QCOMPARE(panel.childAt(15, 15), edges);
    panel.resize(500, 700);
    edges->setGeometry(panel.rect());
    QCOMPARE(panel.childAt(495, 300), edges);
    QCOMPARE(panel.childAt(489, 300), nullptr); // the content was not resized
}

void PanelWidgetsTest::resizeEdgesDragTheWindow() {
    QWidget window;
    window.setGeometry(100, 100, 380, 620);
    auto* edges = new ResizeEdgesView(&window);
    edges->setGeometry(0, 0, 380, 620);
    edges->setTargetWindow(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto send = [edges](QEvent::Type type, QPointF local, QPointF global,
                        Qt::MouseButtons buttons) {
        QMouseEvent event(type, local, local, global,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(edges, &event);
    };
    // Left edge dragged 100 px to the right: never narrower than 360, and the
    // right edge stays.
    send(QEvent::MouseButtonPress, {5, 300}, {105, 400}, Qt::LeftButton);
    QCOMPARE(edges->mode(), ResizeGeometry::Mode::Left);
    send(QEvent::MouseMove, {105, 300}, {205, 400}, Qt::LeftButton);
    QCOMPARE(window.geometry(), QRect(120, 100, 360, 620));
    send(QEvent::MouseButtonRelease, {105, 300}, {205, 400}, Qt::NoButton);

    // Bottom edge dragged up 400 px: never lower than 420, the top stays.
    window.setGeometry(100, 100, 380, 620);
    send(QEvent::MouseButtonPress, {190, 615}, {290, 715}, Qt::LeftButton);
    QCOMPARE(edges->mode(), ResizeGeometry::Mode::Bottom);
    send(QEvent::MouseMove, {190, 215}, {290, 315}, Qt::LeftButton);
    QCOMPARE(window.geometry(), QRect(100, 100, 380, 420));
    send(QEvent::MouseButtonRelease, {190, 215}, {290, 315}, Qt::NoButton);

    // A press in the content area (had it reached the view) resizes nothing.
    window.setGeometry(100, 100, 380, 620);
    send(QEvent::MouseButtonPress, {190, 300}, {290, 400}, Qt::LeftButton);
    send(QEvent::MouseMove, {250, 350}, {350, 450}, Qt::LeftButton);
    QCOMPARE(window.geometry(), QRect(100, 100, 380, 620));
}

void PanelWidgetsTest::clickViewCallsBack() {
    ClickView view;
    view.resize(50, 50);
    int clicks = 0;
    view.onClick = [&clicks] { ++clicks; };
    QTest::mouseClick(&view, Qt::LeftButton);
    QCOMPARE(clicks, 1);
    QCOMPARE(view.cursor().shape(), Qt::PointingHandCursor);
}

QTEST_MAIN(PanelWidgetsTest)
#include "PanelWidgetsTest.moc"

// The panel as a person uses it: typing, clicking, picking, the live ticker,
// the setup overlay and pasting.

#include "PanelFixture.h"
#include "UiTestData.h"

#include "model/Theme.h"
#include "ui/panel/ComposerView.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/EntryRowView.h"
#include "ui/panel/GroupRowView.h"
#include "ui/panel/HighlightLabel.h"
#include "ui/panel/SuggestionListView.h"
#include "ui/panel/SuggestionRow.h"
#include "ui/panel/TimeBox.h"
#include "ui/widgets/ChipView.h"
#include "ui/widgets/OverlayScrollBar.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

using namespace Qt::StringLiterals;
using UiTestData::at;
using UiTestData::entry;

namespace {

template <typename Row>
QList<Row*> rowsOf(const PopoverViewController& c) {
    QList<Row*> rows;
    for (ListRow* r : c.rowViews()) {
        if (auto* row = dynamic_cast<Row*>(r))
            rows.append(row);
    }
    return rows;
}

void typeInto(QLineEdit* field, const QString& text) {
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClicks(field, text);
}

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startAndStopFromTheComposer();
    void typingRenamesTheRunningEntryAfterQuiet();
    void stoppingRightAfterTypingKeepsTheText();
    void pickingASuggestionWhileIdle();
    void pickingASuggestionWhileRunning();
    void clientMenuSetsTheComposerClient();
    void timeBoxTakesATypedDuration();
    void timeBoxRefusesUnreadableText();
    void liveTickRewritesOnlyTheRunningFigures();
    void groupsExpandAndCollapse();
    void durationColumnLinesUp_data();
    void durationColumnLinesUp();
    void headerFollowsTheUser();
    void pastedImagesWaitOrAttach();
    void trashDeletesTheRunningEntry();
    void emptyListAndEscape();
    void hoverHighlightsOneRow();
    void listScrollsWithTheWheel();
};

void PanelTest::startAndStopFromTheComposer() {
    PanelFixture f;
    QVERIFY(f.open());
    ComposerView* composer = f.controller->composer();
    SymbolButton* button = composer->startStopButton();
    QCOMPARE(button->symbol(), u"play.fill"_s);
    QCOMPARE(button->bezelColor(), std::optional<QColor>(Theme::accent()));
    QVERIFY(!composer->trashButton()->isVisibleTo(composer));
    QCOMPARE(composer->timeBox()->label()->text(), u"0:00:00"_s);

    typeInto(composer->field(), u"Write the report"_s);
    QTest::mouseClick(button, Qt::LeftButton);

    const std::optional<Entry> running = f.model.running();
    QVERIFY(running.has_value());
    QCOMPARE(running->description, u"Write the report"_s);
    QCOMPARE(running->startedAt, Time::iso(at(0)));
    QCOMPARE(f.syncs, 1);
    QCOMPARE(button->symbol(), u"stop.fill"_s);
    QCOMPARE(button->bezelColor(), std::optional<QColor>(Theme::stop()));
    QCOMPARE(button->tint(), QColor(Qt::white));
    QVERIFY(composer->trashButton()->isVisibleTo(composer));
    QCOMPARE(f.controller->listView()->dayTitles(), QStringList{u"Today"_s});
    QCOMPARE(rowsOf<EntryRowView>(*f.controller).size(), 1);

    f.env.clock().advance(90'000);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!f.model.running());
    QCOMPARE(f.db().entries.size(), 1);
    QCOMPARE(f.db().entries[0].endedAt, std::optional<QString>(Time::iso(at(0).addSecs(90))));
    QCOMPARE(f.syncs, 2);
    QCOMPARE(button->symbol(), u"play.fill"_s);
    QCOMPARE(rowsOf<EntryRowView>(*f.controller).first()->durationLabel()->text(), u"0:01:30"_s);
}

void PanelTest::typingRenamesTheRunningEntryAfterQuiet() {
    PanelFixture f;
    f.db().entries.append(entry(u"run"_s, u"Draft"_s, at(-10), std::nullopt));
    QVERIFY(f.open());
    QLineEdit* field = f.controller->composerField();
    QCOMPARE(field->text(), u"Draft"_s);

    QTest::mouseClick(field, Qt::LeftButton);
    QVERIFY(field->hasFocus());
    QTest::keyClicks(field, u" notes"_s);
    f.env.clock().advance(500);
    QTest::keyClicks(field, u"!"_s);
    f.env.clock().advance(650); // 1150 ms since the first key, 650 since the last
    QCOMPARE(f.model.running()->description, u"Draft"_s);
    QVERIFY(f.controller->isRenamePending());
    f.env.clock().advance(50);
    QCOMPARE(f.model.running()->description, u"Draft notes!"_s);
    QVERIFY(!f.controller->isRenamePending());
    // The reload after the rename leaves what is being typed alone.
    QCOMPARE(field->text(), u"Draft notes!"_s);

    // A tick and a reload while typing do not overwrite the field either.
    QTest::keyClicks(field, u"?"_s);
    f.controller->updateLiveTime();
    f.controller->reload();
    QCOMPARE(field->text(), u"Draft notes!?"_s);
}

void PanelTest::stoppingRightAfterTypingKeepsTheText() {
    PanelFixture f;
    f.db().entries.append(entry(u"run"_s, u"Draft"_s, at(-10), std::nullopt));
    QVERIFY(f.open());
    typeInto(f.controller->composerField(), u" final"_s);
    f.env.clock().advance(200);
    QTest::mouseClick(f.controller->composer()->startStopButton(), Qt::LeftButton);
    QVERIFY(!f.model.running());
    QCOMPARE(f.db().entries[0].description, u"Draft final"_s);
    QVERIFY(f.db().entries[0].endedAt.has_value());
    QVERIFY(!f.controller->isRenamePending());
}

void PanelTest::pickingASuggestionWhileIdle() {
    PanelFixture f;
    f.db().clients.append(UiTestData::client(u"c1"_s, u"Acme"_s, u"#22c55e"_s));
    f.db().entries.append(entry(u"a"_s, u"Report writing"_s, at(-120), at(-60), u"c1"_s));
    f.db().entries.append(entry(u"b"_s, u"Planning"_s, at(-50), at(-40)));
    QVERIFY(f.open());
    SuggestionListView* list = f.controller->suggestionView();
    QLineEdit* field = f.controller->composerField();

    QTest::mouseClick(field, Qt::LeftButton);
    f.controller->descriptionEdited(QString()); // what opening with an empty field shows
    QVERIFY(list->isVisible());
    QCOMPARE(list->headerText(), u"RECENTLY TRACKED"_s);
    QCOMPARE(list->rows().size(), 2);

    QTest::keyClicks(field, u"rep"_s);
    QVERIFY(list->isVisible());
    QCOMPARE(list->headerText(), u"PREVIOUSLY TRACKED"_s);
    QCOMPARE(list->rows().size(), 1);
    SuggestionRow* row = list->rows().first();
    QCOMPARE(row->descriptionLabel()->highlightedText(), u"Rep"_s);
    QCOMPARE(row->clientLabel()->text(), u"Acme"_s);
    QVERIFY(list->geometry().top() > f.controller->composer()->geometry().bottom());

    QTest::mouseClick(row, Qt::LeftButton);
    QVERIFY(!list->isVisible());
    QCOMPARE(field->text(), u"Report writing"_s);
    QCOMPARE(f.controller->pendingClientId(), std::optional<QString>(u"c1"_s));
    QCOMPARE(f.controller->composer()->chip()->text(), u"Acme"_s);
    QVERIFY(!f.model.running());

    QTest::mouseClick(f.controller->composer()->startStopButton(), Qt::LeftButton);
    QCOMPARE(f.model.running()->description, u"Report writing"_s);
    QCOMPARE(f.model.running()->clientId, std::optional<QString>(u"c1"_s));
    QVERIFY(!f.controller->pendingClientId());
}

void PanelTest::pickingASuggestionWhileRunning() {
    PanelFixture f;
    f.db().clients.append(UiTestData::client(u"c1"_s, u"Acme"_s, u"#22c55e"_s));
    f.db().entries.append(entry(u"a"_s, u"Report writing"_s, at(-120), at(-60), u"c1"_s));
    f.db().entries.append(entry(u"run"_s, u""_s, at(-5), std::nullopt));
    QVERIFY(f.open());
    QLineEdit* field = f.controller->composerField();
    typeInto(field, u"REP"_s);
    SuggestionRow* row = f.controller->suggestionView()->rows().value(0);
    QVERIFY(row);
    QCOMPARE(row->descriptionLabel()->highlightedText(), u"Rep"_s);
    QTest::mouseClick(row, Qt::LeftButton);

    std::optional<Entry> running = f.model.running();
    QCOMPARE(running->id, u"run"_s);
    QCOMPARE(running->description, u"Report writing"_s);
    QCOMPARE(running->clientId, std::optional<QString>(u"c1"_s));
    QCOMPARE(field->text(), u"Report writing"_s);
    QCOMPARE(f.syncs, 1);
    // The rename that typing scheduled does not undo the pick.
    f.env.clock().advance(2000);
    QCOMPARE(f.model.running()->description, u"Report writing"_s);
}

void PanelTest::clientMenuSetsTheComposerClient() {
    PanelFixture f;
    f.db().clients.append(UiTestData::client(u"c2"_s, u"Zeta"_s, u"#3b82f6"_s));
    f.db().clients.append(UiTestData::client(u"c1"_s, u"Acme"_s, u"not a colour"_s));
    QVERIFY(f.open());
    ChipView* chip = f.controller->composer()->chip();
    QCOMPARE(chip->text(), u"No client"_s);

    QTest::mouseClick(chip, Qt::LeftButton);
    QMenu* menu = f.controller->clientMenu();
    QVERIFY(menu);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QStringList titles;
    for (QAction* a : menu->actions())
        titles.append(a->isSeparator() ? u"-"_s : a->text());
    QCOMPARE(titles, QStringList({u"No client"_s, u"-"_s, u"Acme"_s, u"Zeta"_s, u"-"_s,
                                  u"Manage clients…"_s}));
    QVERIFY(menu->actions()[0]->isChecked());
    QAction* acme = menu->actions()[2];
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(acme).center());
    QCOMPARE(f.controller->pendingClientId(), std::optional<QString>(u"c1"_s));
    QCOMPARE(chip->text(), u"Acme"_s);
    QCOMPARE(chip->dotColor(), Theme::accentDeep()); // unreadable colour

    // While running, the menu changes the running entry's client.
    QTest::mouseClick(f.controller->composer()->startStopButton(), Qt::LeftButton);
    QCOMPARE(f.model.running()->clientId, std::optional<QString>(u"c1"_s));
    QTest::mouseClick(chip, Qt::LeftButton);
    menu = f.controller->clientMenu();
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QVERIFY(menu->actions()[2]->isChecked());
    QAction* zeta = menu->actions()[3];
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(zeta).center());
    QCOMPARE(f.model.running()->clientId, std::optional<QString>(u"c2"_s));
    QCOMPARE(chip->text(), u"Zeta"_s);
    QCOMPARE(chip->dotColor(), QColor(u"#3b82f6"_s));
}

void PanelTest::timeBoxTakesATypedDuration() {
    PanelFixture f;
    f.db().entries.append(entry(u"run"_s, u"Focus"_s, at(-5), std::nullopt));
    QVERIFY(f.open());
    TimeBox* box = f.controller->composer()->timeBox();
    QCOMPARE(box->label()->text(), u"0:05:00"_s);

    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isEditing());
    QCOMPARE(box->label()->selectedText(), u"0:05:00"_s);
    QCOMPARE(box->borderWidth(), 1.0);
    QTest::keyClicks(box->label(), u"1:00"_s);
    f.env.clock().advance(3000);
    f.controller->updateLiveTime(); // the ticker leaves the typed text alone
    QCOMPARE(box->label()->text(), u"1:00"_s);
    QTest::keyClick(box->label(), Qt::Key_Return);

    const std::optional<Entry> running = f.model.running();
    QCOMPARE(running->startedAt, Time::iso(at(-60).addSecs(3)));
    QCOMPARE(running->duration(), 3600.0);
    QVERIFY(!running->endedAt);
    QVERIFY(!box->isEditing());
    QCOMPARE(box->borderWidth(), 0.0);
    QCOMPARE(box->label()->text(), u"1:00:00"_s);
    QCOMPARE(f.syncs, 1);
}

void PanelTest::timeBoxRefusesUnreadableText() {
    PanelFixture f;
    f.db().entries.append(entry(u"run"_s, u"Focus"_s, at(-5), std::nullopt));
    QVERIFY(f.open());
    TimeBox* box = f.controller->composer()->timeBox();
    const QString started = f.model.running()->startedAt;

    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClicks(box->label(), u"soon"_s);
    QTest::keyClick(box->label(), Qt::Key_Return);
    QCOMPARE(f.model.running()->startedAt, started);
    QCOMPARE(box->label()->text(), u"0:05:00"_s);

    // Clicking in and leaving without typing changes nothing, however long
    // the figure stood still.
    QTest::mouseClick(box, Qt::LeftButton);
    f.env.clock().advance(60'000);
    box->label()->clearFocus();
    QCOMPARE(f.model.running()->startedAt, started);
    QCOMPARE(f.syncs, 0);
}

void PanelTest::liveTickRewritesOnlyTheRunningFigures() {
    PanelFixture f;
    // Today: a running "Report" on top of a finished one (a group), and a
    // finished "Mail". Yesterday: one entry.
    f.db().entries = {
        entry(u"old"_s, u"Mail"_s, at(-1440), at(-1400)),
        entry(u"mail"_s, u"Mail"_s, at(-100), at(-90)),
        entry(u"r1"_s, u"Report"_s, at(-60), at(-30)),
        entry(u"run"_s, u"report"_s, at(-20), std::nullopt),
    };
    QVERIFY(f.open());
    auto* group = rowsOf<GroupRowView>(*f.controller).value(0);
    QVERIFY(group);
    QTest::mouseClick(group, Qt::LeftButton); // expand: the running row shows too
    PanelFixture::settle();
    group = rowsOf<GroupRowView>(*f.controller).value(0);
    QVERIFY(group->expanded());
    EntryRowView* runningRow = nullptr;
    for (EntryRowView* row : rowsOf<EntryRowView>(*f.controller)) {
        if (row->entry().id == u"run"_s)
            runningRow = row;
    }
    QVERIFY(runningRow);
    QVERIFY(runningRow->indent());
    QCOMPARE(runningRow->durationLabel()->text(), u"0:20:00"_s);
    QCOMPARE(group->durationLabel()->text(), u"0:30:00"_s); // finished part only, until a tick
    TextLabel* dayFigure = f.controller->listView()->dayFigures().value(0);
    TextLabel* yesterdayFigure = f.controller->listView()->dayFigures().value(1);
    QCOMPARE(dayFigure->text(), u"1:00:00"_s);
    QCOMPARE(f.controller->todayTotalLabel()->text(), u"1:00:00"_s);

    const int rebuilds = f.controller->rebuildCount();
    const int built = f.controller->rowsBuilt();
    const QList<ListRow*> rows = f.controller->rowViews();
    f.env.clock().advance(65'000);
    f.controller->updateLiveTime();

    QCOMPARE(runningRow->durationLabel()->text(), u"0:21:05"_s);
    QCOMPARE(group->durationLabel()->text(), u"0:51:05"_s);
    QCOMPARE(dayFigure->text(), u"1:01:05"_s);
    QCOMPARE(yesterdayFigure->text(), u"0:40:00"_s);
    QCOMPARE(f.controller->todayTotalLabel()->text(), u"1:01:05"_s);
    QCOMPARE(f.controller->composer()->timeBox()->label()->text(), u"0:21:05"_s);
    QCOMPARE(f.controller->rebuildCount(), rebuilds);
    QCOMPARE(f.controller->rowsBuilt(), built);
    QCOMPARE(f.controller->rowViews(), rows);
}

void PanelTest::groupsExpandAndCollapse() {
    PanelFixture f;
    f.db().entries = {
        entry(u"a"_s, u"Report"_s, at(-60), at(-30), u"c1"_s),
        entry(u"b"_s, u"report "_s, at(-20), at(-10), u"c1"_s),
    };
    QVERIFY(f.open());
    QCOMPARE(f.controller->rowViews().size(), 1);
    GroupRowView* group = rowsOf<GroupRowView>(*f.controller).first();
    QCOMPARE(group->countText(), u"2"_s);
    QCOMPARE(group->entriesText(), u"· 2 entries"_s);
    QCOMPARE(group->chevronSymbol(), u"chevron.right"_s);
    QCOMPARE(group->entryIds(), QStringList({u"b"_s, u"a"_s}));

    QTest::mouseClick(group, Qt::LeftButton);
    PanelFixture::settle();
    QCOMPARE(f.controller->rowViews().size(), 3);
    QCOMPARE(rowsOf<GroupRowView>(*f.controller).first()->chevronSymbol(), u"chevron.down"_s);
    const QList<EntryRowView*> children = rowsOf<EntryRowView>(*f.controller);
    QCOMPARE(children.size(), 2);
    QVERIFY(children[0]->indent() && children[1]->indent());
    QCOMPARE(children[0]->contentLeft(), 34);
    QVERIFY(children[0]->showsSeparator());
    QVERIFY(!children[1]->showsSeparator());

    f.controller->reload();
    QCOMPARE(f.controller->rowViews().size(), 3); // expansion survives a reload

    // A new entry with the same text and client on top: the group gets a new
    // key and shows collapsed.
    f.model.start(u"REPORT"_s, u"c1"_s);
    QCOMPARE(f.controller->rowViews().size(), 1);
    QCOMPARE(rowsOf<GroupRowView>(*f.controller).first()->countText(), u"3"_s);
}

void PanelTest::durationColumnLinesUp_data() {
    QTest::addColumn<int>("width");
    QTest::newRow("default") << 380;
    QTest::newRow("narrowest") << 360;
    QTest::newRow("wide") << 520;
}

void PanelTest::durationColumnLinesUp() {
    QFETCH(int, width);
    PanelFixture f;
    f.db().entries = {
        entry(u"y"_s, u"Yesterday's work"_s, at(-1440), at(-1400)),
        entry(u"a"_s, u"Report"_s, at(-60), at(-30)),
        entry(u"b"_s, u"Report"_s, at(-20), at(-10)),
        entry(u"c"_s, u"Call"_s, at(-8), std::nullopt),
    };
    QVERIFY(f.open(QSize(width, 620)));
    PanelFixture::settle();
    PopoverViewController* c = f.controller.get();
    const int expected = c->width() - 12 - 36; // the rows' right edge is 12 in from the panel's
    auto rightEdge = [c](QWidget* w) { return w->mapTo(c, QPoint(w->width(), 0)).x(); };

    QCOMPARE(rightEdge(c->todayTotalLabel()), expected);
    for (TextLabel* figure : c->listView()->dayFigures())
        QCOMPARE(rightEdge(figure), expected);
    QCOMPARE(c->rowViews().size(), 3);
    for (ListRow* row : c->rowViews()) {
        TextLabel* label = nullptr;
        if (auto* e = dynamic_cast<EntryRowView*>(row))
            label = e->durationLabel();
        else if (auto* g = dynamic_cast<GroupRowView*>(row))
            label = g->durationLabel();
        QVERIFY(label);
        QCOMPARE(rightEdge(label), expected);
        QCOMPARE(label->width(), 62);
        QCOMPARE(rightEdge(row->widget()), c->width() - 12);
    }
    // The composer and header keep the same 12 px margin on both sides.
    QCOMPARE(c->composer()->geometry().left(), 12);
    QCOMPARE(rightEdge(c->composer()), c->width() - 12);
    QCOMPARE(rightEdge(c->settingsButton()), c->width() - 12);
}

void PanelTest::headerFollowsTheUser() {
    PanelFixture f;
    QVERIFY(f.open());
    PopoverViewController* c = f.controller.get();
    QVERIFY(!c->usersButton()->isVisibleTo(c));
    QVERIFY(c->reportsButton()->isVisibleTo(c));
    QCOMPARE(c->reportsButton()->toolTip(), u"Reports"_s);
    f.db().settings.isAdmin = true;
    c->reload();
    QVERIFY(c->usersButton()->isVisibleTo(c));
    QCOMPARE(c->usersButton()->toolTip(), u"Team"_s);

    int opened = 0;
    c->setOnOpenReports([&opened] { ++opened; });
    QTest::mouseClick(c->reportsButton(), Qt::LeftButton);
    QCOMPARE(opened, 1);
    QTest::mouseClick(c->syncButton(), Qt::LeftButton);
    QCOMPARE(f.syncs, 1);
    QCOMPARE(c->syncLabel()->text(), u"Waiting for the first sync…"_s);
}

void PanelTest::pastedImagesWaitOrAttach() {
    PanelFixture f;
    QVERIFY(f.open());
    ComposerView* composer = f.controller->composer();
    QMimeData png;
    png.setData(u"image/png"_s, QByteArray("\x89PNG"));
    QCOMPARE(PopoverViewController::clipboardImageExt(&png), std::optional<QString>(u"png"_s));
    QMimeData text;
    text.setText(u"hello"_s);
    QVERIFY(!PopoverViewController::clipboardImageExt(&text));
    QVERIFY(!PopoverViewController::clipboardImageExt(nullptr));

    QVERIFY(!composer->shotHost()->isVisibleTo(composer));
    f.controller->handlePasteScreenshot(QByteArray("one"), u"png"_s);
    f.controller->handlePasteScreenshot(QByteArray("two"), u"png"_s);
    QCOMPARE(f.model.pendingShots().size(), 2);
    QCOMPARE(composer->shotItems().size(), 2);
    QVERIFY(composer->shotHost()->isVisibleTo(composer));
    QCOMPARE(f.model.pendingShots()[0].id, f.model.pendingShots()[0].id.toUpper());

    // Removing one from the strip drops it from the waiting list. (The strip
    // calls its own copy of the callback.)
    std::function<void()> remove = composer->shotItems()[0].onRemove;
    remove();
    QCOMPARE(f.model.pendingShots().size(), 1);
    QCOMPARE(f.model.pendingShots()[0].data, QByteArray("two"));

    // Starting attaches it; the strip then shows the entry's own screenshot.
    QTest::mouseClick(composer->startStopButton(), Qt::LeftButton);
    QVERIFY(f.model.pendingShots().isEmpty());
    QCOMPARE(f.model.running()->screenshots->size(), 1);
    QCOMPARE(composer->shotItems().size(), 1);
    QVERIFY(composer->shotItems()[0].file.has_value());

    // With an entry running, a paste goes straight to it.
    f.db().settings.server = u"http://host:1/"_s;
    Entry running = *f.model.running();
    QList<Screenshot> shots = *running.screenshots;
    shots[0].server = u"2026/01/x.png"_s;
    running.screenshots = shots;
    f.db().entries[0] = running;
    f.controller->handlePasteScreenshot(QByteArray("three"), u"png"_s);
    QCOMPARE(f.model.running()->screenshots->size(), 2);
    QCOMPARE(composer->shotItems().size(), 2);
    QCOMPARE(composer->shotItems()[0].remoteURL,
             std::optional<QUrl>(QUrl(u"http://host:1/uploads/2026/01/x.png"_s)));
    const int syncs = f.syncs;
    remove = composer->shotItems()[0].onRemove;
    remove();
    QCOMPARE(f.model.running()->screenshots->size(), 1);
    QCOMPARE(f.syncs, syncs + 1);
}

void PanelTest::trashDeletesTheRunningEntry() {
    PanelFixture f;
    f.db().entries = {entry(u"keep"_s, u"Earlier"_s, at(-60), at(-30)),
                      entry(u"run"_s, u"Oops"_s, at(-5), std::nullopt)};
    QVERIFY(f.open());
    QTest::mouseClick(f.controller->composer()->trashButton(), Qt::LeftButton);
    QVERIFY(!f.model.running());
    QCOMPARE(f.db().entries.size(), 1);
    QCOMPARE(f.db().entries[0].id, u"keep"_s);
    QVERIFY(!f.controller->composer()->trashButton()->isVisibleTo(f.controller->composer()));
    f.controller->composer()->tapTrash(); // nothing runs: nothing happens
    QCOMPARE(f.db().entries.size(), 1);
}

void PanelTest::emptyListAndEscape() {
    PanelFixture f;
    Entry gone = entry(u"gone"_s, u"x"_s, at(-60), at(-30));
    gone.deleted = true;
    f.db().entries = {gone};
    QVERIFY(f.open());
    QVERIFY(f.controller->listView()->showsEmptyState());
    QVERIFY(f.controller->listView()->dayTitles().isEmpty());
    QVERIFY(f.controller->rowViews().isEmpty());
    QVERIFY(!f.controller->handleEscape());
    QVERIFY(!f.controller->detailsWindow());
    f.controller->updateLiveTime(); // nothing runs: nothing to do
    QCOMPARE(f.controller->todayTotalLabel()->text(), u"0:00:00"_s);
}

void PanelTest::hoverHighlightsOneRow() {
    PanelFixture f;
    f.db().entries = {entry(u"a"_s, u"One"_s, at(-60), at(-30)),
                      entry(u"b"_s, u"Two"_s, at(-20), at(-10))};
    QVERIFY(f.open());
    const QList<EntryRowView*> rows = rowsOf<EntryRowView>(*f.controller);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0]->titleText(), u"Two"_s); // newest first
    QCOMPARE(rows[1]->titleText(), u"One"_s);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(rows[0], &enter);
    QVERIFY(rows[0]->isHovered());
    QCOMPARE(rows[0]->resumeButton()->opacity(), 1.0);
    QCOMPARE(rows[1]->resumeButton()->opacity(), 0.0);
    QApplication::sendEvent(rows[1], &enter);
    QApplication::sendEvent(rows[0], &leave);
    QVERIFY(!rows[0]->isHovered());
    QCOMPARE(rows[0]->resumeButton()->opacity(), 0.0);
    QVERIFY(rows[1]->isHovered());
    QCOMPARE(f.controller->hoveredRow(), rows[1]);

    // The resume button starts the same work again.
    QTest::mouseClick(rows[1]->resumeButton(), Qt::LeftButton);
    QCOMPARE(f.model.running()->description, u"One"_s);
    QCOMPARE(f.syncs, 1);
}

void PanelTest::listScrollsWithTheWheel() {
    PanelFixture f;
    for (int i = 0; i < 40; ++i)
        f.db().entries.append(
            entry(u"e%1"_s.arg(i), u"Task %1"_s.arg(i), at(-60 * (i + 1)), at(-60 * (i + 1) + 30)));
    QVERIFY(f.open());
    QScrollArea* scroll = f.controller->scrollArea();
    QScrollBar* inner = scroll->verticalScrollBar();
    QVERIFY(inner->maximum() > 0);
    // The visible scroller is the thin one over the margin; it follows the
    // list and the list keeps its full width.
    auto* overlay = scroll->findChild<OverlayScrollBar*>();
    QVERIFY(overlay);
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->maximum(), inner->maximum());
    QCOMPARE(f.controller->listView()->width(), scroll->width());

    const QPointF at(100, 100);
    QWheelEvent wheel(at, scroll->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(scroll->viewport(), &wheel);
    QVERIFY(inner->value() > 0);
    QCOMPARE(overlay->value(), inner->value());
    overlay->setValue(0);
    QCOMPARE(inner->value(), 0);
}

QTEST_MAIN(PanelTest)
#include "PanelTest.moc"

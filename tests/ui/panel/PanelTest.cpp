// The panel as a person uses it: typing, clicking, picking, the live ticker,
// pasting and the setup overlay, read back from the widgets it shows.

#include "PanelFixture.h"

#include "model/AppModel.h"
#include "ui/admin/ClientsOverlayView.h"
#include "ui/admin/NewClientOverlayView.h"
#include "ui/admin/UsersOverlayView.h"
#include "ui/editor/EditorView.h"
#include "ui/panel/ClientMenu.h"
#include "ui/panel/ComposerView.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/EntryRowView.h"
#include "ui/panel/GroupRowView.h"
#include "ui/panel/HighlightLabel.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/panel/ReminderSettingsView.h"
#include "ui/panel/ResizeGeometry.h"
#include "ui/panel/SetupOverlayView.h"
#include "ui/panel/SuggestionListView.h"
#include "ui/panel/SuggestionRow.h"
#include "ui/panel/TimeBox.h"
#include "ui/widgets/ChipView.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace UiTestData;

namespace {

struct Panel : PanelFixture {
    QString label(const QString& name) const { return find<TextLabel>(name)->text(); }
};

using Act = std::function<void(Panel&)>;

} // namespace

Q_DECLARE_METATYPE(Act)

class PanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startStopAndTrash() {
        Panel f;
        QVERIFY(f.open());
        SymbolButton* button = f.composer()->startStopButton();
        f.type(f.composer()->field(), u"Write the report"_s);
        f.click(button);
        QCOMPARE(f.model.running()->description, u"Write the report"_s);
        QCOMPARE(f.model.running()->startedAt, Time::iso(at(0)));
        QCOMPARE(button->symbol(), u"stop.fill"_s);

        f.env.clock().advance(90'000);
        f.click(button);
        QCOMPARE(f.db().entries[0].endedAt, std::optional(Time::iso(at(0).addSecs(90))));
        QCOMPARE(f.syncs, 2);
        QCOMPARE(button->symbol(), u"play.fill"_s);
        QCOMPARE(f.row(0)->durationLabel()->text(), u"0:01:30"_s);

        // The trash button deletes the running entry only.
        f.click(button);
        f.click(f.composer()->trashButton());
        QVERIFY(!f.model.running());
        QCOMPARE(f.db().entries.size(), 1);
        QVERIFY(!f.composer()->trashButton()->isVisibleTo(f.composer()));
    }

    void typingRenamesTheRunningEntryAfterQuiet() {
        Panel f;
        f.db().entries.append(entry(u"run"_s, u"Draft"_s, at(-10), std::nullopt));
        QVERIFY(f.open());
        QLineEdit* field = f.composer()->field();
        f.type(field, u" notes"_s);
        f.env.clock().advance(500);
        QTest::keyClicks(field, u"!"_s);
        f.env.clock().advance(699);
        QCOMPARE(f.model.running()->description, u"Draft"_s);
        f.env.clock().advance(1);
        QCOMPARE(f.model.running()->description, u"Draft notes!"_s);
        // Neither a tick nor a reload overwrites what is being typed, and
        // stopping at once still keeps it.
        QTest::keyClicks(field, u"?"_s);
        f.controller->updateLiveTime();
        f.controller->reload();
        QCOMPARE(field->text(), u"Draft notes!?"_s);
        f.click(f.composer()->startStopButton());
        QCOMPARE(f.db().entries[0].description, u"Draft notes!?"_s);
    }

    // Keys go where the person looks. Over a running "Focus": an overlay takes
    // the keyboard, Tab stays in it, and the focus comes back when it closes;
    // what it covers never gets a key. The composer keeps its state.
    void keysGoWhereThePersonLooks_data() {
        QTest::addColumn<Act>("act");
        const auto escapeBackTo = [](Panel& f, const QPointer<QWidget>& before) {
            QVERIFY(f.controller->handleEscape());
            f.settle();
            QVERIFY(before && QApplication::focusWidget() == before);
        };
        QTest::newRow("the people overlay") << Act([escapeBackTo](Panel& f) {
            f.click(f.find<SymbolButton>(u"team"_s));
            f.typeKeys(u"John"_s);
            QCOMPARE(f.find<UsersOverlayView>()->findChild<QLineEdit*>(u"name"_s)->text(),
                     u"John"_s);
            escapeBackTo(f, f.composer()->field());
        });
        QTest::newRow("the clients manager, and a new client over it")
            << Act([escapeBackTo](Panel& f) {
                   f.pickFromChip(f.composer()->chip(), u"Manage clients…"_s);
                   for (int i = 0; i < 4; ++i) // Tab goes round the overlay only
                       f.press(Qt::Key_Tab);
                   QVERIFY(f.find<ClientsOverlayView>()->isAncestorOf(QApplication::focusWidget()));
                   const QPointer<QWidget> back = QApplication::focusWidget();
                   f.click(f.find<TextButton>(u"newClient"_s));
                   f.typeKeys(u"John"_s);
                   escapeBackTo(f, back);
                   escapeBackTo(f, f.composer()->field());
               });
        QTest::newRow("the clients manager over the card") << Act([](Panel& f) {
            f.click(f.row(0));
            auto* editor = f.controller->editorView();
            f.pickFromChip(editor->chip(), u"Manage clients…"_s);
            // The card is tall enough for the whole overlay.
            QVERIFY(f.controller->detailsWindow()->height() >=
                    f.find<ClientsOverlayView>()->sizeHint().height());
            f.typeKeys(u"John"_s);
            f.press(Qt::Key_Return);
            QCOMPARE(editor->descField()->text(), u"Focus"_s); // not saved nor closed
            QVERIFY(f.controller->editorView());
            QVERIFY(f.controller->handleEscape());
            f.settle();
            QCOMPARE(QApplication::focusWidget(), editor->descField());
            // The card's chip lists a client added from inside it; the pick stays.
            f.pickFromChip(editor->chip(), u"Manage clients…"_s);
            f.click(f.find<TextButton>(u"newClient"_s));
            f.typeKeys(u"Beta"_s);
            f.press(Qt::Key_Return);
            QVERIFY(f.controller->handleEscape());
            f.pickFromChip(editor->chip(), u"Beta"_s);
            QCOMPARE(editor->chip()->text(), u"Beta"_s);
            QVERIFY(f.controller->handleEscape()); // the card, unsaved
            f.settle();
            QCOMPARE(f.db().entries[2].clientId, std::nullopt);
            QVERIFY(!f.controller->handleEscape()); // the next Escape is the panel's
        });
        QTest::newRow("adding a client keeps the composer's text") << Act([](Panel& f) {
            f.click(f.composer()->startStopButton());
            f.type(f.composer()->field(), u"Write proposal"_s);
            f.pickFromChip(f.composer()->chip(), u"Manage clients…"_s);
            f.click(f.find<TextButton>(u"newClient"_s));
            f.typeKeys(u"Beta"_s);
            f.click(f.find<NewClientOverlayView>()->findChild<TextButton*>(u"add"_s));
            QCOMPARE(f.composer()->field()->text(), u"Write proposal"_s);
            QCOMPARE(f.composer()->chip()->text(), u"No client"_s);
        });
        QTest::newRow("Stop with the cursor in the field empties it and the chip")
            << Act([](Panel& f) {
                   f.pickFromChip(f.composer()->chip(), u"Acme"_s);
                   QCOMPARE(f.model.running()->clientId, std::optional(u"c1"_s));
                   f.click(f.composer()->field());
                   f.click(f.composer()->startStopButton());
                   QCOMPARE(f.composer()->field()->text(), QString());
                   QCOMPARE(f.composer()->chip()->text(), u"No client"_s);
               });
        QTest::newRow("suggestions on every keystroke") << Act([](Panel& f) {
            f.click(f.composer()->startStopButton());
            auto* list = f.find<SuggestionListView>();
            f.click(f.composer()->field());
            for (const QString& key : {u"E"_s, u"m"_s, u"a"_s}) {
                f.typeKeys(key);
                QCOMPARE(list->rows().size(), 2); // Email, Emails
                QVERIFY(list->rows().last()->geometry().bottom() < list->height());
            }
        });
    }

    void keysGoWhereThePersonLooks() {
        QFETCH(Act, act);
        Panel f;
        f.db().settings.isAdmin = true;
        f.db().clients.append(Client{u"c1"_s, std::nullopt, u"Acme"_s, u"#22c55e"_s});
        f.db().entries = {entry(u"a"_s, u"Email"_s, at(-120), at(-100)),
                          entry(u"b"_s, u"Emails"_s, at(-90), at(-80)),
                          entry(u"run"_s, u"Focus"_s, at(-10), std::nullopt)};
        QVERIFY(f.open());
        f.type(f.composer()->field(), QString()); // the cursor is in the composer
        act(f);
        f.env.clock().advance(2000); // no rename is waiting either
        QCOMPARE(f.db().entries[2].description, u"Focus"_s);
    }

    void pickingASuggestion_data() {
        QTest::addColumn<bool>("running");
        QTest::newRow("idle") << false;
        QTest::newRow("running") << true;
    }

    void pickingASuggestion() {
        QFETCH(bool, running);
        Panel f;
        f.db().clients.append(Client());
        f.db().clients[0].id = u"c1"_s;
        f.db().clients[0].name = u"Acme"_s;
        f.db().entries.append(entry(u"a"_s, u"Report writing"_s, at(-120), at(-60), u"c1"_s));
        if (running)
            f.db().entries.append(entry(u"run"_s, u""_s, at(-5), std::nullopt));
        QVERIFY(f.open());
        auto* list = f.find<SuggestionListView>();
        f.type(f.composer()->field(), u"REP"_s);
        QVERIFY(list->geometry().top() > f.composer()->geometry().bottom());
        QCOMPARE(list->rows().size(), 1);
        QCOMPARE(list->rows()[0]->descriptionLabel()->highlightedText(), u"Rep"_s);
        QCOMPARE(list->rows()[0]->clientLabel()->text(), u"Acme"_s);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(list->rows()[0], &enter);
        QVERIFY(list->rows()[0]->isHighlighted()); // under the pointer

        f.click(list->rows()[0]);
        QVERIFY(!list->isVisible());
        QCOMPARE(f.composer()->field()->text(), u"Report writing"_s);
        QCOMPARE(f.composer()->chip()->text(), u"Acme"_s);
        QCOMPARE(f.syncs, running ? 1 : 0);
        if (!running)
            f.click(f.composer()->startStopButton());
        f.env.clock().advance(2000); // the rename typing scheduled does not undo the pick
        QCOMPARE(f.model.running()->description, u"Report writing"_s);
        QCOMPARE(f.model.running()->clientId, std::optional(u"c1"_s));
        f.pickFromChip(f.composer()->chip(), u"No client"_s); // the running entry's client
        QCOMPARE(f.model.running()->clientId, std::nullopt);
    }

    // Picks by the menus are driven through the chips elsewhere.
    void clientMenuChecksTheCurrent() {
        const QList<Client> clients{Client{u"a"_s, 1, u"Acme"_s, u"#22c55e"_s},
                                    Client{u"b"_s, 2, u"Beta"_s, u"not a colour"_s}};
        std::unique_ptr<QMenu> menu(ClientMenu::build(clients, u"b"_s, {}, {}, nullptr));
        QStringList texts, checked;
        for (QAction* a : menu->actions()) {
            texts.append(a->text());
            if (a->isChecked())
                checked.append(a->text());
        }
        QCOMPARE(texts, QStringList({u"No client"_s, QString(), u"Acme"_s, u"Beta"_s, QString(),
                                     u"Manage clients…"_s}));
        QCOMPARE(checked, QStringList{u"Beta"_s});
    }

    void timeBoxTakesATypedDuration() {
        Panel f;
        f.db().entries.append(entry(u"run"_s, u"Focus"_s, at(-5), std::nullopt));
        QVERIFY(f.open());
        TimeBox* box = f.composer()->timeBox();
        f.click(box); // selects the figure for typing
        QTest::keyClicks(box->label(), u"soon"_s);
        QTest::keyClick(box->label(), Qt::Key_Return);
        QCOMPARE(f.model.running()->startedAt, Time::iso(at(-5)));
        QCOMPARE(box->label()->text(), u"0:05:00"_s);

        f.click(box);
        QTest::keyClicks(box->label(), u"1:00"_s);
        f.env.clock().advance(3000);
        f.controller->updateLiveTime(); // the ticker leaves the typed text alone
        QCOMPARE(box->label()->text(), u"1:00"_s);
        QTest::keyClick(box->label(), Qt::Key_Return);
        QCOMPARE(f.model.running()->startedAt, Time::iso(at(-60).addSecs(3)));
        QCOMPARE(box->label()->text(), u"1:00:00"_s);
        QCOMPARE(f.syncs, 1);
    }

    void liveTickRewritesOnlyTheRunningFigures() {
        Panel f;
        f.db().entries = {entry(u"old"_s, u"Mail"_s, at(-1440), at(-1400)),
                          entry(u"r1"_s, u"Report"_s, at(-60), at(-30)),
                          entry(u"run"_s, u"report"_s, at(-20), std::nullopt)};
        QVERIFY(f.open());
        f.click(f.row<GroupRowView>(0)); // expand
        Panel::settle();
        f.controller->reload(); // the expansion survives
        QCOMPARE(f.list()->rowViews().size(), 4);
        GroupRowView* group = f.row<GroupRowView>(0);
        EntryRowView* running = f.row(0);
        QCOMPARE(group->durationLabel()->text(), u"0:30:00"_s); // finished part only
        const int built = f.list()->rowsBuilt();

        f.env.clock().advance(65'000);
        f.controller->updateLiveTime();
        QCOMPARE(running->durationLabel()->text(), u"0:21:05"_s);
        QCOMPARE(group->durationLabel()->text(), u"0:51:05"_s);
        QCOMPARE(f.list()->dayFigures().value(0)->text(), u"0:51:05"_s);
        QCOMPARE(f.list()->dayFigures().value(1)->text(), u"0:40:00"_s);
        QCOMPARE(f.label(u"todayTotal"_s), u"0:51:05"_s);
        QCOMPARE(f.composer()->timeBox()->label()->text(), u"0:21:05"_s);
        QCOMPARE(f.list()->rowsBuilt(), built);

        // One hovered row at a time, and it looks different.
        const QImage plain = group->grab().toImage();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(running, &enter);
        QCoreApplication::sendEvent(group, &enter);
        QVERIFY(group->isHovered() && !running->isHovered());
        QVERIFY(group->grab().toImage() != plain);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(group, &leave);
        QVERIFY(!group->isHovered());
    }

    void headerAndSyncLine() {
        Panel f;
        QVERIFY(f.open());
        QVERIFY(!f.find<SymbolButton>(u"team"_s)->isVisibleTo(
            f.controller.get())); // administrators only
        f.db().settings.isAdmin = true;
        f.controller->reload();
        QVERIFY(f.find<SymbolButton>(u"team"_s)->isVisibleTo(f.controller.get()));
        QVERIFY(f.list()->showsEmptyState());
        QVERIFY(!f.controller->handleEscape());
        int opened = 0;
        f.controller->setOnOpenReports([&opened] { ++opened; });
        f.click(f.find<SymbolButton>(u"reports"_s));
        QCOMPARE(opened, 1);
        f.click(f.find<TextButton>(u"syncButton"_s));
        QCOMPARE(f.syncs, 1);
        QCOMPARE(f.label(u"syncLine"_s), u"Waiting for the first sync…"_s);
    }

    void pastedImagesWaitOrAttach() {
        Panel f;
        QVERIFY(f.open());
        f.controller->handlePasteScreenshot(QByteArray("one"), u"png"_s);
        f.controller->handlePasteScreenshot(QByteArray("two"), u"png"_s);
        QCOMPARE(f.composer()->shotItems().size(), 2);
        f.composer()->shotItems()[0].onRemove();
        QCOMPARE(f.model.pendingShots().size(), 1);
        QCOMPARE(f.model.pendingShots()[0].data, QByteArray("two"));
        // Starting attaches it; with an entry running a paste goes straight to it.
        f.click(f.composer()->startStopButton());
        QVERIFY(f.model.pendingShots().isEmpty());
        f.controller->handlePasteScreenshot(QByteArray("three"), u"png"_s);
        QCOMPARE(f.model.running()->screenshots->size(), 2);
        QCOMPARE(f.composer()->shotItems().size(), 2);
    }

    void setupOverlay() {
        Panel f;
        f.db().settings.apiKey.clear();
        f.db().settings.lastSync = u"2026-01-05T09:00:00Z"_s;
        QVERIFY(f.open());
        QPointer<SetupOverlayView> setup = f.find<SetupOverlayView>();
        QVERIFY(setup && setup->isVisible());
        QCOMPARE(setup->geometry(), f.controller->rect());
        QVERIFY(setup->keyField()->hasFocus()); // typing goes to the overlay, not the panel

        setup->serverField()->setText(u"  https://time.example.com:8443/// "_s);
        QTest::keyClicks(setup->keyField(), u" \t "_s);
        QTest::keyClick(setup->keyField(), Qt::Key_Return);
        QCOMPARE(setup->errorText(), u"Please fill in both fields."_s);
        QTest::keyClicks(setup->keyField(), u"k-123  "_s);
        f.click(setup->saveButton());
        QCOMPARE(f.db().settings.server, u"https://time.example.com:8443"_s);
        QCOMPARE(f.db().settings.apiKey, u"k-123"_s);
        QVERIFY(!f.db().settings.lastSync); // a new connection starts afresh
        QCOMPARE(f.syncs, 1);
        Panel::settle();
        QVERIFY(!f.find<SetupOverlayView>());
        // Configured: the settings button opens it, filled in. A plain http
        // address of another machine is saved on the second click, after a warning.
        f.click(f.find<SymbolButton>(u"settings"_s));
        setup = f.find<SetupOverlayView>();
        QCOMPARE(setup->keyField()->text(), u"k-123"_s);
        f.click(setup->serverField());
        QTest::keyClick(setup->serverField(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(setup->serverField(), u"http://10.0.0.7:8080"_s);
        f.click(setup->saveButton());
        QCOMPARE(setup->errorText(), u"Your key would travel unencrypted to 10.0.0.7."_s);
        QCOMPARE(f.db().settings.server, u"https://time.example.com:8443"_s);
        f.click(setup->saveButton());
        QCOMPARE(f.db().settings.server, u"http://10.0.0.7:8080"_s);
        QCOMPARE(SetupOverlayView::clearTextHost(u"http://127.0.0.1:8080"_s), std::nullopt);
    }

    // In the shortest panel the form scrolls to whatever has the focus; the
    // reminder rows are kept by Save.
    void reminderSettings() {
        Panel f;
        QVERIFY(f.open());
        f.controller->resize(ResizeGeometry::minWidth, ResizeGeometry::minHeight);
        f.click(f.find<SymbolButton>(u"settings"_s));
        SetupOverlayView* setup = f.find<SetupOverlayView>();
        ReminderSettingsView* rows = setup->reminderRows();
        f.click(rows->remindField());
        QTest::keyClick(rows->remindField(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(rows->remindField(), u"30"_s);
        f.click(rows->dayButtons()[4]); // Friday off, Sunday on
        f.click(rows->dayButtons()[6]);
        f.click(rows->fromField());
        QTest::keyClicks(rows->fromField(), u"0745"_s);
        QTest::keyClick(rows->fromField(), Qt::Key_Tab);
        QTest::keyClicks(rows->toField(), u"1615"_s);
        QTest::keyClick(rows->toField(), Qt::Key_Tab);
        QTest::keyClicks(rows->longTimerField(), u"\b\b8"_s);
        QTest::keyClick(rows->longTimerField(), Qt::Key_Tab);
        QVERIFY(setup->saveButton()->hasFocus());
        const QRect shown(setup->saveButton()->mapTo(setup, QPoint()), setup->saveButton()->size());
        QVERIFY2(setup->rect().contains(shown), "Save is out of sight");
        f.click(setup->saveButton());
        const ReminderSettings kept = f.db().settings.reminders;
        QCOMPARE(kept.remindAfterMinutes, 30);
        QCOMPARE(kept.workingDays, 0b1001111);
        QCOMPARE(kept.workingFrom, QTime(7, 45));
        QCOMPARE(kept.workingTo, QTime(16, 15));
        QCOMPARE(kept.longTimerHours, 8);
    }
};

QTEST_MAIN(PanelTest)
#include "PanelTest.moc"

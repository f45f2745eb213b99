// The details card, the entry editor and the time editor as a person uses
// them, read back from the widgets and the store.

#include "PanelFixture.h"

#include "model/AppModel.h"
#include "ui/editor/DetailsWindow.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/TimeEditorOverlay.h"
#include "ui/panel/ComposerView.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/EntryRowView.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/panel/TimeBox.h"
#include "ui/shots/ShotStripView.h"
#include "ui/shots/ShotTile.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimeEdit>

using namespace Qt::StringLiterals;
using namespace UiTestData;

namespace {

const QByteArray png = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlE"
                                              "QVR4nGP4z8DwHwAFAAH/iZk9HQAAAABJRU5ErkJggg==");

struct Panel : PanelFixture {
    explicit Panel(int entries = 3) {
        db().clients.append(Client{u"c1"_s, std::nullopt, u"Acme"_s, u"#22c55e"_s});
        for (int i = entries - 1; i >= 0; --i)
            db().entries.append(entry(u"e%1"_s.arg(i), u"Task %1"_s.arg(i), at(-60 * (i + 1)),
                                      at(-60 * (i + 1) + 30)));
    }
    DetailsWindow* clickRow(int index) {
        QTest::mouseClick(row(index), Qt::LeftButton);
        settle();
        return static_cast<DetailsWindow*>(controller->detailsWindow());
    }

    // What a person does, and what the store then holds.
    EditorView* editor() const { return controller->editorView(); }
    void openCard(const QString& id) {
        const QList<ListRow*> rows = controller->findChild<EntryListView*>()->rowViews();
        for (ListRow* r : rows) {
            if (r->entryIds().contains(id))
                return click(r->widget());
        }
    }
    void typeTime(QAbstractSpinBox* picker, const QString& digits) {
        click(picker);
        QTest::keyClicks(picker, digits);
    }
    void save() { click(editor()->saveButton()); }
    // Pictures on the running entry.
    QList<Screenshot> attach(int count) {
        for (int i = 0; i < count; ++i)
            model.addScreenshot(*model.running(), png, u"png"_s);
        return *model.running()->screenshots;
    }
    QStringList stored() {
        QStringList lines;
        const auto clock = [](const std::optional<QString>& text) {
            const std::optional<QDateTime> t = Time::parse(text);
            return t ? u"%1 %2"_s.arg(t->date().day()).arg(t->time().toString(u"HH:mm:ss"_s))
                     : u"running"_s;
        };
        for (const Entry& e : std::as_const(db().entries)) {
            if (!e.deleted)
                lines.append(u"%1 %2 %3 %4"_s.arg(e.id.size() > 4 ? u"new"_s : e.id, e.description,
                                                  clock(e.startedAt), clock(e.endedAt)));
        }
        return lines;
    }
};

using Act = std::function<void(Panel&)>;

int rowMiddle(QWidget* row) {
    return row->mapToGlobal(QPoint(0, 0)).y() + row->height() / 2;
}

} // namespace

Q_DECLARE_METATYPE(Act)

class EditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The side at the screen's edge is the placement table's and the smoke test's.
    void cardBesideThePanelAtItsRow() {
        Panel f;
        QVERIFY(f.open());
        const int middle = rowMiddle(f.row(1));
        DetailsWindow* card = f.clickRow(1);
        QVERIFY(card && card->isVisible());
        QCOMPARE(card->pos() + QPoint(0, card->arrowY()), QPoint(105, middle));
        // A reload replaces the rows; a second card replaces the first.
        f.controller->reload();
        f.settle();
        QPointer<DetailsWindow> first = card;
        const int third = rowMiddle(f.row(2));
        card = f.clickRow(2);
        QVERIFY(card != first && (!first || !first->isVisible()));
        QCOMPARE(card->y() + card->arrowY(), third);

        QTest::mouseClick(f.controller->editorView()->deleteButton(), Qt::LeftButton);
        QVERIFY(f.db().entries.size() == 2 && !f.controller->detailsWindow());
    }

    void theCardFollowsItsRow() {
        Panel f(30);
        QVERIFY(f.open());
        DetailsWindow* card = f.clickRow(3);
        const int y = card->y() + card->arrowY();
        f.controller->findChild<QScrollArea*>()->verticalScrollBar()->setValue(40);
        QCOMPARE(card->y() + card->arrowY(), y - 40);
        // The panel moves: the card goes with it.
        f.controller->move(f.controller->pos() + QPoint(-30, 20));
        f.settle();
        QCOMPARE(card->pos() + QPoint(0, card->arrowY()), QPoint(400 - 30 + 20 - 315, y - 20));
        // A picture pasted into it rebuilds the list under it: the card stays at its row.
        f.controller->handlePasteScreenshot(png, u"png"_s);
        f.settle();
        QCOMPARE(card->y() + card->arrowY(), y - 20);
        // Opened again on the entry that now has a picture, the card is tall enough for all of it.
        f.controller->closeEditor();
        card = f.clickRow(3);
        const EditorView* editor = f.controller->editorView();
        QVERIFY(editor->shots()->geometry().bottom() < editor->durationField()->y());
        QVERIFY(editor->saveButton()->geometry().bottom() < card->body()->height());
        // Its remove button takes the picture off the entry; the card shrinks.
        const int tall = card->height();
        QTest::mouseClick(editor->shots()->cells()[0]->removeButton(), Qt::LeftButton);
        f.settle();
        QVERIFY(editor->currentEntry().screenshots.value_or(QList<Screenshot>()).isEmpty());
        QVERIFY(card->height() < tall);
    }

    // Corrections keep exactly what the person changed, whatever happened to
    // the entry elsewhere meanwhile. "done" ran 08:00-08:30, "run" runs since
    // 08:45:20; it is 09:30. The store is read back as "id description start
    // end" (day of January and clock time; "running" without an end).
    void corrections_data() {
        QTest::addColumn<Act>("act");
        QTest::addColumn<QStringList>("stored");
        const QString done = u"done Task 5 08:00:00 5 08:30:00"_s;
        const auto row = [](const char* name, const Act& act, const QStringList& stored) {
            QTest::newRow(name) << act << stored;
        };
        row("stop in the composer, then Save",
            [](Panel& f) {
                f.openCard(u"run"_s);
                f.click(f.composer()->startStopButton());
                f.save();
            },
            {done, u"run Focus 5 08:45:20 5 09:30:00"_s});
        row("stop and start again, then Save: one entry runs",
            [](Panel& f) {
                f.openCard(u"run"_s);
                f.click(f.composer()->startStopButton());
                f.click(f.composer()->startStopButton());
                f.save();
            },
            {done, u"run Focus 5 08:45:20 5 09:30:00"_s, u"new  5 09:30:00 running"_s});
        row("stopped as the command line does, then Save",
            [](Panel& f) {
                f.openCard(u"run"_s);
                f.model.stop(*f.model.running());
                QVERIFY(f.editor()->endPicker()->isEnabled());
                f.save();
            },
            {done, u"run Focus 5 08:45:20 5 09:30:00"_s});
        row("start moved in the time box, then Save",
            [](Panel& f) {
                f.openCard(u"run"_s);
                f.click(f.composer()->timeBox());
                QTest::keyClicks(f.composer()->timeBox()->label(), u"1:00"_s);
                QTest::keyClick(f.composer()->timeBox()->label(), Qt::Key_Return);
                f.save();
            },
            {done, u"run Focus 5 08:30:00 running"_s});
        row("a rename waiting for quiet, then Save",
            [](Panel& f) {
                f.retype(f.composer()->field(), u"Focus notes"_s);
                f.openCard(u"run"_s);
                f.save();
                f.env.clock().advance(2000);
            },
            {done, u"run Focus notes 5 08:45:20 running"_s});
        row("a typed duration, a new name and a client, saved with Return",
            [](Panel& f) {
                f.openCard(u"done"_s);
                f.retype(f.editor()->durationField(), u"2:00"_s);
                f.click(f.editor()->descField()); // leaving the field applies it
                QCOMPARE(f.editor()->endPicker()->time(), QTime(10, 0));
                f.controller->handlePasteScreenshot(png, u"png"_s); // survives the save
                f.retype(f.editor()->descField(), u"Task, renamed"_s);
                f.editor()->showClientMenu()->actions()[2]->trigger(); // Acme
                const int syncs = f.syncs;
                QTest::keyClick(f.editor()->descField(), Qt::Key_Return);
                f.settle();
                QCOMPARE(f.syncs, syncs + 1); // sent at once
                QCOMPARE(f.db().entries[0].clientId, std::optional(u"c1"_s));
                QCOMPARE(f.db().entries[0].screenshots->size(), 1);
            },
            {u"done Task, renamed 5 08:00:00 5 10:00:00"_s, u"run Focus 5 08:45:20 running"_s});
        row("typed start, saved with the mouse",
            [](Panel& f) {
                f.openCard(u"done"_s);
                f.typeTime(f.editor()->startPicker(), u"0715"_s);
                f.save();
            },
            {u"done Task 5 07:15:00 5 08:30:00"_s, u"run Focus 5 08:45:20 running"_s});
        row("typed end, saved with the mouse",
            [](Panel& f) {
                f.openCard(u"done"_s);
                f.typeTime(f.editor()->endPicker(), u"1130"_s);
                QCOMPARE(f.editor()->durationField()->text(), u"3:30:00"_s); // live
                f.save();
            },
            {u"done Task 5 08:00:00 5 11:30:00"_s, u"run Focus 5 08:45:20 running"_s});
        row("typed day, saved with the mouse",
            [](Panel& f) {
                f.openCard(u"done"_s);
                f.typeTime(f.editor()->datePicker(), u"20260103"_s);
                f.save();
            },
            {u"done Task 3 08:00:00 3 08:30:00"_s, u"run Focus 5 08:45:20 running"_s});
        row("duration typed for the running entry ends it",
            [](Panel& f) {
                f.openCard(u"run"_s);
                f.retype(f.editor()->durationField(), u"0:30"_s);
                f.save();
            },
            {done, u"run Focus 5 08:45:20 5 09:15:20"_s});
        row("23:00 to 01:00 ends the next day",
            [](Panel& f) {
                f.openCard(u"done"_s);
                f.typeTime(f.editor()->startPicker(), u"2300"_s);
                f.typeTime(f.editor()->endPicker(), u"0100"_s);
                QCOMPARE(f.editor()->dayMark(), u"+1 day"_s);
                QVERIFY(f.editor()->marksFuture());
                f.save();
            },
            {u"done Task 5 23:00:00 6 01:00:00"_s, u"run Focus 5 08:45:20 running"_s});
        row("deleted while its card is open: the card closes",
            [](Panel& f) {
                f.openCard(u"done"_s);
                f.model.deleteEntry(f.db().entries[0]);
                f.settle();
                QVERIFY(!f.controller->detailsWindow());
            },
            {u"run Focus 5 08:45:20 running"_s});
        row("a picture removed in the composer is gone from the card",
            [](Panel& f) {
                const QList<Screenshot> shots = f.attach(3);
                f.openCard(u"run"_s);
                f.click(f.composer()->shotStrip()->cells()[0]->removeButton());
                const QList<ShotTile*> tiles = f.editor()->shots()->cells();
                QCOMPARE(tiles.size(), 2);
                f.click(tiles[1]->removeButton()); // the third picture
                QCOMPARE(*f.db().entries[1].screenshots, QList<Screenshot>{shots[1]});
                QVERIFY(QFile::exists(*f.model.store().screenshotPath(*shots[1].file)));
                QVERIFY(!QFile::exists(*f.model.store().screenshotPath(*shots[2].file)));
            },
            {done, u"run Focus 5 08:45:20 running"_s});
        row("an uploaded picture is shown from the server",
            [](Panel& f) {
                f.attach(1);
                f.openCard(u"run"_s);
                // What a sync does: the picture has its server path, the file is gone.
                f.db().entries[1].screenshots = QList<Screenshot>{{u"2026/01/a.png"_s, {}}};
                f.controller->reload();
                f.settle();
                QCOMPARE(f.editor()->shots()->shots().value(0).file, std::nullopt);
                f.click(f.editor()->shots()->cells()[0]->removeButton());
                QVERIFY(f.db().entries[1].screenshots->isEmpty());
            },
            {done, u"run Focus 5 08:45:20 running"_s});
        row("Escape drops a duration half typed in the time box",
            [](Panel& f) {
                f.click(f.composer()->timeBox());
                QTest::keyClicks(f.composer()->timeBox()->label(), u"1:30"_s);
                QVERIFY(f.controller->handleEscape());
                f.controller->dismissTransient();
                f.controller->hide();
                QCOMPARE(f.composer()->timeBox()->label()->text(), u"0:44:40"_s);
            },
            {done, u"run Focus 5 08:45:20 running"_s});
        row("three steps of the time editor's end",
            [](Panel& f) {
                f.click(f.composer()->timeBox());
                QTimeEdit* end = f.controller->timeEditor()->endPicker();
                f.click(end);
                QTest::keyClick(end, Qt::Key_Tab); // to the minutes
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(end, Qt::Key_Up);
            },
            {done, u"run Focus 5 08:45:20 5 09:33:00"_s});
        row("a total of 100 hours is drawn whole",
            [](Panel& f) {
                f.model.updateTimes(f.db().entries[0], u"2026-01-01T00:00:00Z"_s,
                                    u"2026-01-05T08:30:00Z"_s);
                f.settle();
                const QList<TextLabel*> figures =
                    f.controller->findChild<EntryListView*>()->figures();
                for (const TextLabel* figure : figures) {
                    QCOMPARE(figure->width(), figures[0]->width());
                    QVERIFY(figure->width() >= figure->sizeHint().width());
                }
                QCOMPARE(figures.last()->text(), u"104:30:00"_s);
            },
            {u"done Task 1 00:00:00 5 08:30:00"_s, u"run Focus 5 08:45:20 running"_s});
    }

    void corrections() {
        QFETCH(Act, act);
        Panel f(0);
        f.db().entries = {entry(u"done"_s, u"Task"_s, at(-90), at(-60)),
                          entry(u"run"_s, u"Focus"_s, at(-45).addSecs(20), std::nullopt)};
        QVERIFY(f.open());
        act(f);
        if (QTest::currentTestFailed())
            return;
        QTEST(f.stored(), "stored");
    }

    void timeEditorUnderTheTimeBox() {
        Panel f(0);
        f.db().entries.append(entry(u"run"_s, u"Running"_s, at(-45).addSecs(20), std::nullopt));
        QVERIFY(f.open());
        f.controller->showTimeEditor();
        TimeEditorOverlay* editor = f.controller->timeEditor();
        TimeBox* box = f.controller->findChild<ComposerView*>()->timeBox();
        const QPoint corner = box->mapTo(f.controller.get(), QPoint(box->width(), box->height()));
        QCOMPARE(editor->geometry().topRight(), corner + QPoint(-1, 6));
        // Another day keeps it running, with its seconds; so does another start.
        editor->datePicker()->setDate(QDate(2026, 1, 4));
        QCOMPARE(f.model.running()->startedAt, u"2026-01-04T08:45:20Z"_s);
        editor->startPicker()->setTime(QTime(9, 0));
        QCOMPARE(f.model.running()->startedAt, u"2026-01-04T09:00:00Z"_s);
        // An end clock time before the start is the next day; it stops the entry.
        editor->endPicker()->setTime(QTime(8, 0));
        QCOMPARE(f.db().entries[0].endedAt, std::optional(u"2026-01-05T08:00:00Z"_s));
    }
};

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"

// The details card, the entry editor and the time editor as a person uses
// them, read back from the widgets and the store.

#include "TestEnv.h"
#include "UiTestData.h"

#include "model/AppModel.h"
#include "ui/panel/ComposerView.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/EntryRowView.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/panel/TimeBox.h"
#include "ui/shots/ShotStripView.h"
#include "ui/shots/ShotTile.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimeEdit>

using namespace Qt::StringLiterals;
using namespace UiTestData;

namespace {

struct Panel {
    TestEnv env;
    AppModel model{env.dataDirectory()};
    std::unique_ptr<PopoverViewController> controller;

    explicit Panel(int entries = 3) {
        db().settings.server = u"http://127.0.0.1:8080"_s;
        db().settings.apiKey = u"secret"_s;
        db().clients.append(Client{u"c1"_s, std::nullopt, u"Acme"_s, u"#22c55e"_s});
        for (int i = entries - 1; i >= 0; --i)
            db().entries.append(entry(u"e%1"_s.arg(i), u"Task %1"_s.arg(i), at(-60 * (i + 1)),
                                      at(-60 * (i + 1) + 30)));
    }
    ~Panel() {
        model.setOnChange(nullptr);
        controller.reset();
        settle();
    }
    bool open(const QPoint& where = QPoint(400, 0)) {
        controller = std::make_unique<PopoverViewController>(&model);
        model.setOnChange([this] { controller->reload(); });
        controller->setGeometry(QRect(where, QSize(380, 580)));
        controller->reload();
        controller->show();
        const bool exposed = QTest::qWaitForWindowExposed(controller.get());
        settle();
        return exposed;
    }
    static void settle() { UiTestData::settle(); }
    Db& db() { return model.store().db(); }
    EntryRowView* row(int index) const {
        return dynamic_cast<EntryRowView*>(
            controller->findChild<EntryListView*>()->rowViews().value(index));
    }
    DetailsWindow* clickRow(int index) {
        QTest::mouseClick(row(index), Qt::LeftButton);
        settle();
        return static_cast<DetailsWindow*>(controller->detailsWindow());
    }
};

int rowMiddle(QWidget* row) {
    return row->mapToGlobal(QPoint(0, 0)).y() + row->height() / 2;
}

const QByteArray png = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlE"
                                              "QVR4nGP4z8DwHwAFAAH/iZk9HQAAAABJRU5ErkJggg==");

} // namespace

class EditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cardBesideThePanelAtItsRow_data() {
        QTest::addColumn<QPoint>("panel");
        QTest::addColumn<int>("cardX");
        QTest::addColumn<CardPlacement::Side>("side");
        QTest::newRow("room on the left") << QPoint(400, 0) << 105 << CardPlacement::Side::Right;
        QTest::newRow("at the left edge") << QPoint(10, 0) << 398 << CardPlacement::Side::Left;
    }

    void cardBesideThePanelAtItsRow() {
        QFETCH(QPoint, panel);
        QFETCH(int, cardX);
        QFETCH(CardPlacement::Side, side);
        Panel f;
        QVERIFY(f.open(panel));
        const int middle = rowMiddle(f.row(1));
        DetailsWindow* card = f.clickRow(1);
        QVERIFY(card && card->isVisible());
        QCOMPARE(card->x(), cardX);
        QCOMPARE(card->side(), side);
        QCOMPARE(card->y() + card->arrowY(), middle);
        // A reload replaces the rows; a second card replaces the first.
        f.controller->reload();
        f.settle();
        QPointer<DetailsWindow> first = card;
        const int third = rowMiddle(f.row(2));
        card = f.clickRow(2);
        QVERIFY(card != first && (!first || !first->isVisible()));
        QCOMPARE(card->y() + card->arrowY(), third);

        // Escape closes the new-client overlay over the clients overlay, both in the card,
        // then the card, which saves nothing.
        f.controller->editorView()->descField()->setText(u"not kept"_s);
        f.controller->showClientsManager();
        f.controller->promptNewClient();
        QVERIFY(card->body()->findChild<NewClientOverlayView*>());
        const auto escape = [&f] {
            const bool handled = f.controller->handleEscape();
            f.settle();
            return handled;
        };
        QVERIFY(escape() && !card->body()->findChild<NewClientOverlayView*>());
        QVERIFY(escape() && !card->body()->findChild<ClientsOverlayView*>());
        QVERIFY(escape() && !f.controller->detailsWindow());
        QVERIFY(!escape());
        QCOMPARE(f.db().entries[0].description, u"Task 2"_s);
        f.clickRow(2);
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

    void editingAndSaving() {
        Panel f;
        f.db().entries[2].endedAt = Time::iso(at(0)); // e0: 8:30 to 9:30
        int syncs = 0;
        f.model.setSyncRunner([&syncs](Store&, QObject*, AppModel::SyncDone done) {
            ++syncs;
            done(SyncSummary{});
        });
        QVERIFY(f.open());
        f.clickRow(0);
        EditorView* editor = f.controller->editorView();
        // A typed duration moves the end picker when the field is left.
        editor->durationField()->setFocus();
        editor->durationField()->setText(u"2:00"_s);
        editor->descField()->setFocus();
        QCOMPARE(editor->durationField()->text(), u"2:00:00"_s);
        QCOMPARE(editor->endPicker()->time(), QTime(10, 30));
        // A picture pasted meanwhile survives the save.
        f.controller->handlePasteScreenshot(png, u"png"_s);
        QCOMPARE(editor->shots()->shots().size(), 1);
        editor->descField()->setText(u"Task zero, renamed"_s);
        QMenu* menu = editor->showClientMenu();
        menu->actions()[2]->trigger(); // Acme
        menu->close();
        const int before = syncs;
        QTest::keyClick(editor->descField(), Qt::Key_Return); // Return saves, and sends it
        f.settle();
        QCOMPARE(syncs, before + 1);

        const Entry& saved = f.db().entries[2];
        QCOMPARE(saved.description, u"Task zero, renamed"_s);
        QCOMPARE(saved.clientId, std::optional<QString>(u"c1"_s));
        QCOMPARE(saved.startedAt, Time::iso(at(-60)));
        QCOMPARE(saved.endedAt, std::optional(Time::iso(at(60))));
        QCOMPARE(saved.screenshots->size(), 1);
        QCOMPARE(f.row(0)->titleText(), u"Task zero, renamed"_s);
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

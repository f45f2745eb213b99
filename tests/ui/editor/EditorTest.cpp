// The details card, the entry editor and the time editor as a person uses
// them, read back from the widgets and the store.

#include "TestEnv.h"
#include "UiTestData.h"

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
#include "ui/widgets/ChipView.h"
#include "ui/widgets/TextButton.h"

#include <QBuffer>
#include <QDateEdit>
#include <QImage>
#include <QLineEdit>
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
        // Newest first in the list: e0 is the top row.
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
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    Db& db() { return model.store().db(); }
    EntryListView* list() const { return controller->findChild<EntryListView*>(); }
    EntryRowView* row(int index) const {
        return dynamic_cast<EntryRowView*>(list()->rowViews().value(index));
    }
    // Clicks a row; gives the card it opened.
    DetailsWindow* clickRow(int index) {
        QTest::mouseClick(row(index), Qt::LeftButton);
        settle();
        return static_cast<DetailsWindow*>(controller->detailsWindow());
    }
    const Entry& stored(const QString& id) {
        return *std::find_if(db().entries.begin(), db().entries.end(),
                             [&id](const Entry& e) { return e.id == id; });
    }
};

int rowMiddle(QWidget* row) {
    return row->mapToGlobal(QPoint(0, 0)).y() + row->height() / 2;
}

QByteArray png() {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cardBesideThePanelWithItsArrowAtTheRow_data() {
        QTest::addColumn<QPoint>("panel");
        QTest::addColumn<int>("cardX");
        QTest::addColumn<CardPlacement::Side>("side");
        QTest::newRow("room on the left") << QPoint(400, 0) << 105 << CardPlacement::Side::Right;
        QTest::newRow("at the left edge") << QPoint(10, 0) << 398 << CardPlacement::Side::Left;
    }

    void cardBesideThePanelWithItsArrowAtTheRow() {
        QFETCH(QPoint, panel);
        QFETCH(int, cardX);
        QFETCH(CardPlacement::Side, side);
        Panel f;
        QVERIFY(f.open(panel));
        EntryRowView* second = f.row(1);
        const int middle = rowMiddle(second);
        DetailsWindow* card = f.clickRow(1);
        QVERIFY(card && card->isVisible());
        QCOMPARE(card->x(), cardX);
        QCOMPARE(card->side(), side);
        QCOMPARE(card->y() + card->arrowY(), middle);
        QCOMPARE(f.controller->editorView()->entry().id, u"e1"_s);
        QCOMPARE(f.controller->editorView()->descField()->text(), u"Task 1"_s);
    }

    void escapeClosesOverlaysThenTheCard() {
        Panel f;
        QVERIFY(f.open());
        DetailsWindow* card = f.clickRow(0);
        QVERIFY(card);
        f.controller->showClientsManager();
        f.controller->promptNewClient();
        // Both open inside the card, not over the panel.
        QWidget* clients = card->body()->findChild<ClientsOverlayView*>();
        QWidget* newClient = card->body()->findChild<NewClientOverlayView*>();
        QVERIFY(clients && newClient);
        QVERIFY(!f.controller->findChild<ClientsOverlayView*>());

        QVERIFY(f.controller->handleEscape());
        f.settle();
        QVERIFY(!card->body()->findChild<NewClientOverlayView*>());
        QVERIFY(card->body()->findChild<ClientsOverlayView*>());
        QVERIFY(f.controller->handleEscape());
        f.settle();
        QVERIFY(!card->body()->findChild<ClientsOverlayView*>());
        QVERIFY(f.controller->detailsWindow());
        QVERIFY(f.controller->handleEscape());
        QVERIFY(!f.controller->detailsWindow());
        QVERIFY(!f.controller->handleEscape());
    }

    void aSecondCardReplacesTheFirstAfterAReload() {
        Panel f;
        QVERIFY(f.open());
        QPointer<DetailsWindow> first = f.clickRow(0);
        QVERIFY(first);
        // A sync or a tick reloads the list: the rows are new.
        f.controller->reload();
        f.settle();
        const int middle = rowMiddle(f.row(2));
        DetailsWindow* second = f.clickRow(2);
        QVERIFY(second && second != first);
        QVERIFY(!first || !first->isVisible());
        QCOMPARE(f.controller->editorView()->entry().id, u"e2"_s);
        QCOMPARE(second->y() + second->arrowY(), middle);
    }

    void theCardFollowsItsRowAndKeepsItsLastAnchor() {
        Panel f(30);
        QVERIFY(f.open());
        DetailsWindow* card = f.clickRow(3);
        const int y = card->y() + card->arrowY();
        auto* bar = f.controller->findChild<QScrollArea*>()->verticalScrollBar();
        QVERIFY(bar->maximum() > 40);
        bar->setValue(40);
        QCOMPARE(card->y() + card->arrowY(), y - 40);
        // The panel moves: the card goes with it.
        f.controller->move(f.controller->pos() + QPoint(-30, 20));
        f.settle();
        QCOMPARE(card->x(), 400 - 30 + 20 - 315);
        QCOMPARE(card->y() + card->arrowY(), y - 40 + 20);
        // Its row is no longer listed: the card stays where it pointed.
        const QRect before = card->geometry();
        f.db().entries.removeIf([](const Entry& e) { return e.id == u"e3"_s; });
        f.controller->reload();
        f.controller->listScrolled();
        QCOMPARE(card->geometry(), before);
    }

    void editingAndSaving() {
        Panel f;
        f.db().entries[2].endedAt = Time::iso(at(0)); // e0: 8:30 to 9:30
        QVERIFY(f.open());
        f.clickRow(0);
        EditorView* editor = f.controller->editorView();
        QCOMPARE(editor->durationField()->text(), u"1:00:00"_s);
        // A typed duration moves the end picker when the field is left.
        editor->durationField()->setFocus();
        editor->durationField()->setText(u"2:00"_s);
        editor->descField()->setFocus();
        QCOMPARE(editor->durationField()->text(), u"2:00:00"_s);
        QCOMPARE(editor->endPicker()->time(), QTime(10, 30));
        QVERIFY(editor->forceEnd());
        // A picture pasted meanwhile survives the save.
        f.controller->handlePasteScreenshot(png(), u"png"_s);
        QCOMPARE(editor->shots()->shots().size(), 1);
        editor->descField()->setText(u"Task zero, renamed"_s);
        editor->pickClient(u"c1"_s);
        QCOMPARE(editor->chip()->text(), u"Acme"_s);
        QTest::mouseClick(editor->saveButton(), Qt::LeftButton);
        f.settle();

        const Entry& saved = f.stored(u"e0"_s);
        QCOMPARE(saved.description, u"Task zero, renamed"_s);
        QCOMPARE(saved.clientId, std::optional<QString>(u"c1"_s));
        QCOMPARE(saved.startedAt, Time::iso(at(-60)));
        QCOMPARE(saved.endedAt, std::optional(Time::iso(at(60))));
        QCOMPARE(saved.screenshots->size(), 1);
        QVERIFY(!f.controller->detailsWindow());
        QCOMPARE(f.row(0)->titleText(), u"Task zero, renamed"_s);
    }

    void changingTheEndPickerOvernight() {
        Panel f(1);
        f.db().entries[0].startedAt = u"2026-01-04T23:00:30Z"_s;
        f.db().entries[0].endedAt = u"2026-01-05T01:00:00Z"_s;
        QVERIFY(f.open());
        f.clickRow(0);
        EditorView* editor = f.controller->editorView();
        QCOMPARE(editor->durationField()->text(), u"1:59:30"_s);
        editor->endPicker()->setTime(QTime(1, 30));
        QCOMPARE(editor->durationField()->text(), u"2:29:30"_s);
        QTest::keyClick(editor->descField(), Qt::Key_Return); // Return saves
        QCOMPARE(f.stored(u"e0"_s).startedAt, u"2026-01-04T23:00:30Z"_s);
        QCOMPARE(f.stored(u"e0"_s).endedAt, std::optional(u"2026-01-05T01:30:00Z"_s));
    }

    void deleteAndCloseWithoutSaving() {
        Panel f;
        QVERIFY(f.open());
        f.clickRow(1);
        f.controller->editorView()->descField()->setText(u"not kept"_s);
        f.controller->editorView()->dismiss();
        QCOMPARE(f.stored(u"e1"_s).description, u"Task 1"_s);
        f.clickRow(1);
        QTest::mouseClick(f.controller->editorView()->deleteButton(), Qt::LeftButton);
        QCOMPARE(f.db().entries.size(), 2);
        QVERIFY(!f.controller->detailsWindow());
    }

    void timeEditorUnderTheTimeBox() {
        Panel f(0);
        f.db().entries.append(entry(u"run"_s, u"Running"_s, at(-45).addSecs(20), std::nullopt));
        QVERIFY(f.open());
        f.controller->showTimeEditor();
        TimeEditorOverlay* editor = f.controller->timeEditor();
        QVERIFY(editor);
        TimeBox* box = f.controller->findChild<ComposerView*>()->timeBox();
        const QRect boxRect(box->mapTo(f.controller.get(), QPoint(0, 0)), box->size());
        QCOMPARE(editor->y(), boxRect.bottom() + 1 + 6);
        QCOMPARE(editor->x() + editor->width(), boxRect.right() + 1);
        QCOMPARE(editor->startPicker()->time(), QTime(8, 45));

        // Moving the day keeps it running, with its seconds.
        editor->datePicker()->setDate(QDate(2026, 1, 4));
        QCOMPARE(f.model.running()->startedAt, u"2026-01-04T08:45:20Z"_s);
        editor->datePicker()->setDate(QDate(2026, 1, 5));
        editor->startPicker()->setTime(QTime(9, 0));
        QCOMPARE(f.model.running()->startedAt, Time::iso(at(-30)));
        // An end clock time before the start is the next day; it stops the entry.
        editor->endPicker()->setTime(QTime(8, 0));
        QVERIFY(!f.model.running());
        QCOMPARE(f.stored(u"run"_s).endedAt, std::optional(u"2026-01-06T08:00:00Z"_s));
        // A click elsewhere in the panel closes it; one on the box does not.
        f.controller->dismissTimeEditor(box->mapToGlobal(QPoint(2, 2)));
        QVERIFY(f.controller->timeEditor());
        f.controller->dismissTimeEditor(f.controller->mapToGlobal(QPoint(5, 500)));
        QVERIFY(!f.controller->timeEditor());
    }
};

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"

#pragma once

#include "TestEnv.h"
#include "UiTestData.h"

#include "model/AppModel.h"
#include "ui/editor/DetailsWindow.h"
#include "ui/panel/ComposerView.h"
#include "ui/panel/EntryListView.h"
#include "ui/panel/EntryRowView.h"
#include "ui/panel/ListRow.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/widgets/ChipView.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

// A panel on a configured database in its own active window, reloaded on
// every model change as the application shell does; syncs are counted and
// answered. Its helpers act as a person does.
struct PanelFixture {
    TestEnv env;
    AppModel model{env.dataDirectory()};
    std::unique_ptr<PopoverViewController> controller;
    int syncs = 0;

    PanelFixture() {
        db().settings.server = QStringLiteral("http://127.0.0.1:8080");
        db().settings.apiKey = QStringLiteral("secret");
        model.setSyncRunner([this](Store&, QObject*, AppModel::SyncDone done) {
            ++syncs;
            SyncSummary summary;
            summary.online = true;
            done(summary);
        });
    }
    ~PanelFixture() {
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
        controller->activateWindow();
        const bool active = QTest::qWaitForWindowActive(controller.get());
        settle();
        return active;
    }
    static void settle() { UiTestData::settle(); }
    Db& db() { return model.store().db(); }
    // In the panel, or in the details card while it is open.
    template <typename T>
    T* find(const QString& name = {}) const {
        QWidget* card = controller->detailsWindow();
        T* found = card ? card->findChild<T*>(name) : nullptr;
        return found ? found : controller->findChild<T*>(name);
    }
    ComposerView* composer() const { return find<ComposerView>(); }
    EntryListView* list() const { return find<EntryListView>(); }
    // The index-th row of the list that is a `Row`.
    template <typename Row = EntryRowView>
    Row* row(int index) const {
        QList<Row*> rows;
        for (ListRow* r : list()->rowViews()) {
            if (auto* row = dynamic_cast<Row*>(r))
                rows.append(row);
        }
        return rows.value(index);
    }
    // The window manager makes the window clicked in active.
    void click(QWidget* widget) {
        widget->window()->activateWindow();
        QTest::mouseClick(widget, Qt::LeftButton);
        settle();
    }
    void type(QLineEdit* field, const QString& text) {
        click(field);
        QTest::keyClicks(field, text);
    }
    void retype(QLineEdit* field, const QString& text) {
        click(field);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // Picks an item of the chip's menu, as a click on it does.
    void pickFromChip(ChipView* chip, const QString& item) {
        click(chip);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* action : menu->actions()) {
            if (action->text() == item)
                action->trigger();
        }
        menu->close();
        settle();
    }
    // Keys typed as a person types them: into whatever has the focus.
    static void typeKeys(const QString& text) { QTest::keyClicks(nullptr, text); }
    static void press(Qt::Key key) { QTest::keyClick(static_cast<QWidget*>(nullptr), key); }
};

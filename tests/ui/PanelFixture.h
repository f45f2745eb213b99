#pragma once

#include "TestEnv.h"

#include "model/AppModel.h"
#include "ui/panel/PopoverViewController.h"

#include <QTest>

#include <memory>

// A panel on a fresh database, shown off-screen in its own active window, with
// the model's changes wired to reload() as the application shell does. Syncs
// are counted and answered at once; no network is touched.
class PanelFixture {
public:
    explicit PanelFixture(const QDateTime& now = QDateTime(QDate(2026, 1, 5), QTime(9, 30),
                                                           Qt::UTC))
        : env(now)
        , model(env.dataDirectory()) {
        Settings& settings = model.store().db().settings;
        settings.server = QStringLiteral("http://127.0.0.1:8080");
        settings.apiKey = QStringLiteral("secret");
        model.setSyncRunner([this](Store&, QObject*, AppModel::SyncDone done) {
            ++syncs;
            SyncSummary summary;
            summary.online = true;
            done(summary);
        });
    }

    ~PanelFixture() { model.setOnChange(nullptr); }

    // Builds the panel on what the database holds now and shows it.
    bool open(QSize size = QSize(380, 620)) {
        controller = std::make_unique<PopoverViewController>(&model);
        model.setOnChange([this] { controller->reload(); });
        controller->resize(size);
        controller->reload();
        controller->show();
        controller->activateWindow();
        if (!QTest::qWaitForWindowActive(controller.get()))
            return false;
        settle();
        return true;
    }

    // Lets layouts and deferred deletions run.
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    Db& db() { return model.store().db(); }

    TestEnv env;
    AppModel model;
    std::unique_ptr<PopoverViewController> controller;
    int syncs = 0;
};

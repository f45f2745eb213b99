#include "TestEnv.h"
#include "app/AppDelegate.h"
#include "app/EscapeRouter.h"
#include "app/TrayMenu.h"
#include "model/AppModel.h"
#include "ui/panel/EntryListView.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// The tray shell: the Escape order, the menu, and the panel's life as the
// delegate opens, routes events for and closes it (off-screen).
class TrayShellTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppDelegate> m_delegate;

    std::unique_ptr<AppDelegate> makeDelegate() {
        auto model = std::make_unique<AppModel>(m_env->dataDirectory());
        model->store().db().settings.apiKey = u"key"_s; // configured: no setup overlay
        model->setSyncRunner([](Store&, QObject*, AppModel::SyncDone) {});
        return std::make_unique<AppDelegate>(std::move(model));
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        QSettings(u"zevra"_s, u"tikit"_s).clear();
    }

    void cleanup() {
        m_delegate.reset();
        m_env.reset();
    }

    void escapeOrder_data() {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("panelCloses");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("panelAsked");
        using S = EscapeRouter::Step;
        QTest::newRow("preview first") << true << true << int(S::ClosePreview) << false;
        QTest::newRow("then the panel's surfaces")
            << false << true << int(S::HandledByPanel) << true;
        QTest::newRow("then the panel") << false << false << int(S::HidePanel) << true;
    }

    void escapeOrder() {
        QFETCH(bool, preview);
        QFETCH(bool, panelCloses);
        QFETCH(int, step);
        QFETCH(bool, panelAsked);
        bool asked = false;
        const auto result = EscapeRouter::route(preview, [&] {
            asked = true;
            return panelCloses;
        });
        QCOMPARE(int(result), step);
        QCOMPARE(asked, panelAsked);
    }

    void menuItems() {
        QStringList fired;
        TrayMenu menu({[&] { fired << u"open"_s; }, [&] { fired << u"sync"_s; },
                       [&] { fired << u"updates"_s; }, [&] { fired << u"quit"_s; }});
        const QList<QAction*> actions = menu.actions();
        QStringList texts;
        for (QAction* a : actions)
            texts << (a->isSeparator() ? u"---"_s : a->text());
        QCOMPARE(texts,
                 (QStringList{u"Open Zevra Tikit"_s, u"Sync now"_s, u"Check for updates\u2026"_s,
                              u"---"_s, u"Quit Zevra Tikit"_s}));
        QCOMPARE(actions.last()->shortcut(), QKeySequence(u"Ctrl+Q"_s));
        for (QAction* a : actions)
            a->trigger();
        QCOMPARE(fired, (QStringList{u"open"_s, u"sync"_s, u"updates"_s, u"quit"_s}));
    }

    void panelSizeRemembered() {
        QSettings(u"zevra"_s, u"tikit"_s).setValue(u"panelWidth"_s, 300.0);
        QSettings(u"zevra"_s, u"tikit"_s).setValue(u"panelHeight"_s, 700.0);
        m_delegate = makeDelegate();
        QCOMPARE(m_delegate->panelSize(), QSize(380, 620)); // too narrow: ignored

        m_delegate->applicationDidFinishLaunching();
        m_delegate->showPanel();
        QVERIFY(m_delegate->isPanelVisible());
        QCOMPARE(m_delegate->panel()->size(), QSize(380, 620));
        m_delegate->panel()->resize(400, 500);
        m_delegate->hidePanel();
        QVERIFY(!m_delegate->isPanelVisible());
        QVERIFY(!m_delegate->controller());

        QSettings settings(u"zevra"_s, u"tikit"_s);
        QCOMPARE(settings.value(u"panelWidth"_s).toDouble(), 400.0);
        QCOMPARE(settings.value(u"panelHeight"_s).toDouble(), 500.0);
        m_delegate->showPanel();
        QCOMPARE(m_delegate->panel()->size(), QSize(400, 500));

        // A new start reads it back.
        m_delegate = makeDelegate();
        QCOMPARE(m_delegate->panelSize(), QSize(400, 500));
    }

    void escapeHidesThePanel() {
        m_delegate = makeDelegate();
        m_delegate->applicationDidFinishLaunching();
        m_delegate->showPanel();
        QLineEdit* field = m_delegate->controller()->composerField();
        QVERIFY(field);
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!m_delegate->isPanelVisible());
        QVERIFY(!m_delegate->controller());
    }

    void modelChangesReachTrayAndPanel() {
        m_delegate = makeDelegate();
        m_delegate->applicationDidFinishLaunching();
        QCOMPARE(m_delegate->trayIcon()->toolTip(), u"Zevra Tikit"_s);
        m_delegate->showPanel();
        m_delegate->model().start(u"Write"_s, std::nullopt);
        QCOMPARE(m_delegate->trayIcon()->toolTip(), u"Zevra Tikit 0:00"_s);
        QCOMPARE(m_delegate->controller()->findChild<EntryListView*>()->rowViews().size(), 1);
        m_env->clock().advanceSeconds(65);
        m_delegate->tick();
        QCOMPARE(m_delegate->trayIcon()->toolTip(), u"Zevra Tikit 1:05"_s);
    }

    void pasteRouting() {
        m_delegate = makeDelegate();
        m_delegate->applicationDidFinishLaunching();
        m_delegate->showPanel();
        QLineEdit* field = m_delegate->controller()->composerField();

        // Text goes on into the field as an ordinary paste.
        QApplication::setActiveWindow(m_delegate->panel());
        QVERIFY(QTest::qWaitForWindowActive(m_delegate->panel()));
        field->setFocus();
        QVERIFY(field->hasFocus());
        QGuiApplication::clipboard()->setText(u"pasted words"_s);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), u"pasted words"_s);
        QVERIFY(m_delegate->model().pendingShots().isEmpty());

        // A picture with nothing running waits for the next start, as PNG.
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(image);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), u"pasted words"_s);
        QCOMPARE(m_delegate->model().pendingShots().size(), 1);
        const PendingShot shot = m_delegate->model().pendingShots().first();
        QCOMPARE(shot.ext, u"png"_s);
        QVERIFY(shot.data.startsWith("\x89PNG"));
        QCOMPARE(QImage::fromData(shot.data).size(), QSize(8, 6));
    }

    // Focus going to another application closes the panel, unless the pointer
    // is at its edge; the click that took the focus does not reopen it.
    void focusLossHides() {
        m_delegate = makeDelegate();
        m_delegate->applicationDidFinishLaunching();
        m_delegate->showPanel();
        const QRect frame = m_delegate->panel()->frameGeometry();

        QCursor::setPos(frame.topLeft() - QPoint(8, 8));
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(m_delegate->isPanelVisible());

        QCursor::setPos(frame.topLeft() - QPoint(30, 30));
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!m_delegate->isPanelVisible());

        m_env->clock().advance(299);
        Q_EMIT m_delegate->trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!m_delegate->isPanelVisible());
        m_env->clock().advance(2);
        Q_EMIT m_delegate->trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(m_delegate->isPanelVisible());
    }

    // Hosts that report a double click after a click toggle only once.
    void trayClicks() {
        m_delegate = makeDelegate();
        m_delegate->applicationDidFinishLaunching();
        QSystemTrayIcon* tray = m_delegate->trayIcon();
        Q_EMIT tray->activated(QSystemTrayIcon::Trigger);
        QVERIFY(m_delegate->isPanelVisible());
        m_env->clock().advance(100);
        Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(m_delegate->isPanelVisible());
        m_env->clock().advance(1000);
        Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!m_delegate->isPanelVisible());
        Q_EMIT tray->activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(m_delegate->isPanelVisible());
        Q_EMIT tray->activated(QSystemTrayIcon::Context); // the menu opens by itself
        QVERIFY(m_delegate->isPanelVisible());
    }

    void clickElsewhereInTheAppHides() {
        m_delegate = makeDelegate();
        m_delegate->applicationDidFinishLaunching();
        m_delegate->showPanel();
        QWidget other;
        other.resize(100, 100);
        other.show();
        QTest::mouseClick(m_delegate->panel(), Qt::LeftButton, {}, QPoint(150, 300));
        QVERIFY(m_delegate->isPanelVisible()); // inside the panel
        QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!m_delegate->isPanelVisible());
    }
};

QTEST_MAIN(TrayShellTest)
#include "TrayShellTest.moc"

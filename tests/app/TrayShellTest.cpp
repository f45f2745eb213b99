#include "TestEnv.h"
#include "app/AppDelegate.h"
#include "model/AppModel.h"
#include "ui/panel/EntryListView.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QImage>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// The tray shell: the panel's life as the delegate opens, routes
// events for and closes it (off-screen).
class TrayShellTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<AppDelegate> m_delegate;

    // A delegate on a configured database, launched, its panel open.
    AppDelegate& open() {
        auto model = std::make_unique<AppModel>(m_env->dataDirectory());
        model->store().db().settings.apiKey = u"key"_s;
        model->setSyncRunner([](Store&, QObject*, AppModel::SyncDone) {});
        m_delegate = std::make_unique<AppDelegate>(std::move(model));
        m_delegate->applicationDidFinishLaunching();
        m_delegate->showPanel();
        return *m_delegate;
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

    void panelSizeRemembered() {
        QSettings(u"zevra"_s, u"tikit"_s).setValue(u"panelWidth"_s, 319.0); // too narrow
        QSettings(u"zevra"_s, u"tikit"_s).setValue(u"panelHeight"_s, 700.0);
        AppDelegate& d = open();
        QCOMPARE(d.panel()->size(), QSize(380, 620));
        d.panel()->resize(400, 500);
        d.hidePanel();
        QVERIFY(!d.controller());
        QCOMPARE(QSettings(u"zevra"_s, u"tikit"_s).value(u"panelWidth"_s).toDouble(), 400.0);
        d.showPanel();
        QCOMPARE(d.panel()->size(), QSize(400, 500));
        QCOMPARE(AppDelegate(std::make_unique<AppModel>(m_env->dataDirectory())).panelSize(),
                 QSize(400, 500));
    }

    void escapeHidesAndChangesReachTheTray() {
        AppDelegate& d = open();
        QCOMPARE(d.trayIcon()->toolTip(), u"Zevra Tikit"_s);
        d.model().start(u"Write"_s, std::nullopt);
        QCOMPARE(d.trayIcon()->toolTip(), u"Zevra Tikit 0:00"_s);
        QCOMPARE(d.controller()->findChild<EntryListView*>()->rowViews().size(), 1);
        m_env->clock().advanceSeconds(65);
        d.tick();
        QCOMPARE(d.trayIcon()->toolTip(), u"Zevra Tikit 1:05"_s);
        QTest::keyClick(d.controller()->composerField(), Qt::Key_Escape);
        QVERIFY(!d.isPanelVisible());
    }

    // Text pastes into the field; a picture with nothing running waits, as PNG.
    // Over an overlay, Ctrl+V is its field's.
    void pasteRouting() {
        AppDelegate& d = open();
        QLineEdit* field = d.controller()->composerField();
        QApplication::setActiveWindow(d.panel());
        QVERIFY(QTest::qWaitForWindowActive(d.panel()));
        field->setFocus();
        QGuiApplication::clipboard()->setText(u"pasted words"_s);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(image);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), u"pasted words"_s);
        QCOMPARE(d.model().pendingShots().size(), 1);
        QCOMPARE(d.model().pendingShots()[0].ext, u"png"_s);
        QCOMPARE(QImage::fromData(d.model().pendingShots()[0].data, "PNG").size(), QSize(8, 6));
        // In an overlay's field Ctrl+V is the field's: no picture is taken.
        d.controller()->showUsersManager();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(d.model().pendingShots().size(), 1);
    }

    // Focus going to another application closes the panel, unless the pointer
    // is at its edge; the click that took the focus does not reopen it.
    void focusLossHides() {
        AppDelegate& d = open();
        const QRect frame = d.panel()->frameGeometry();
        QCursor::setPos(frame.topLeft() - QPoint(8, 8));
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(d.isPanelVisible());
        QCursor::setPos(frame.topLeft() - QPoint(30, 30));
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!d.isPanelVisible());
        m_env->clock().advance(299);
        Q_EMIT d.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!d.isPanelVisible());
        m_env->clock().advance(2);
        Q_EMIT d.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(d.isPanelVisible());
    }

    // Hosts that report a double click after a click toggle only once; a click
    // elsewhere in the application closes the panel.
    void clicks() {
        AppDelegate& d = open();
        Q_EMIT d.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!d.isPanelVisible());
        m_env->clock().advance(100);
        Q_EMIT d.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!d.isPanelVisible());
        m_env->clock().advance(1000);
        Q_EMIT d.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(d.isPanelVisible());
        QWidget other;
        other.show();
        QTest::mouseClick(d.panel(), Qt::LeftButton, {}, QPoint(150, 300));
        QVERIFY(d.isPanelVisible());
        QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!d.isPanelVisible());
    }
};

QTEST_MAIN(TrayShellTest)
#include "TrayShellTest.moc"

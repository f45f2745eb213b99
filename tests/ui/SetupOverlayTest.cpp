// The server setup overlay: shown while the connection is not set, refusing
// blank fields, storing a normalised address.

#include "PanelFixture.h"

#include "ui/panel/SetupOverlayView.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

class SetupOverlayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setupOverlayRefusesBlankFields();
    void setupOverlaySavesANormalisedAddress();
    void setupOverlayCancelComesBack();
};

void SetupOverlayTest::setupOverlayRefusesBlankFields() {
    PanelFixture f;
    f.db().settings.apiKey.clear();
    QVERIFY(f.open());
    SetupOverlayView* setup = f.controller->setupOverlay();
    QVERIFY(setup);
    QVERIFY(setup->isVisible());
    QCOMPARE(setup->geometry(), f.controller->rect());
    QCOMPARE(f.controller->syncLabel()->text(), u"Not configured"_s);
    QVERIFY(setup->keyField()->hasFocus()); // typing goes to the overlay, not the panel

    setup->serverField()->clear();
    QTest::keyClicks(setup->serverField(), u"   "_s);
    QTest::mouseClick(setup->saveButton(), Qt::LeftButton);
    QCOMPARE(setup->errorText(), u"Please fill in both fields."_s);
    QCOMPARE(f.controller->setupOverlay(), setup);
    QCOMPARE(f.db().settings.server, u"http://127.0.0.1:8080"_s);

    setup->serverField()->setText(u"http://example.com"_s);
    QTest::keyClicks(setup->keyField(), u" \t "_s);
    QTest::keyClick(setup->keyField(), Qt::Key_Return);
    QCOMPARE(setup->errorText(), u"Please fill in both fields."_s);
    QVERIFY(f.db().settings.apiKey.isEmpty());
    QCOMPARE(f.syncs, 0);
}

void SetupOverlayTest::setupOverlaySavesANormalisedAddress() {
    PanelFixture f;
    f.db().settings.apiKey.clear();
    f.db().settings.lastSync = u"2026-01-05T09:00:00Z"_s;
    QVERIFY(f.open());
    QPointer<SetupOverlayView> setup = f.controller->setupOverlay();
    QVERIFY(setup);
    setup->serverField()->setText(u"  https://time.example.com:8443/// "_s);
    QTest::keyClicks(setup->keyField(), u"  k-123  "_s);
    QTest::mouseClick(setup->saveButton(), Qt::LeftButton);

    QCOMPARE(f.db().settings.server, u"https://time.example.com:8443"_s);
    QCOMPARE(f.db().settings.apiKey, u"k-123"_s);
    QVERIFY(!f.db().settings.lastSync); // a new connection starts afresh
    QCOMPARE(f.syncs, 1);
    QVERIFY(!f.controller->setupOverlay());
    PanelFixture::settle();
    QVERIFY(!setup);
    f.controller->reload();
    QVERIFY(!f.controller->setupOverlay());
}

void SetupOverlayTest::setupOverlayCancelComesBack() {
    PanelFixture f;
    f.db().settings.apiKey.clear();
    QVERIFY(f.open());
    SetupOverlayView* first = f.controller->setupOverlay();
    QVERIFY(first);
    QTest::mouseClick(first->cancelButton(), Qt::LeftButton);
    // Still not configured: the reload after Cancel shows a fresh overlay.
    SetupOverlayView* second = f.controller->setupOverlay();
    QVERIFY(second);
    QVERIFY(second != first);
    QVERIFY(second->errorText().isEmpty());

    // Configured: Cancel closes it for good; the settings button opens it.
    f.db().settings.apiKey = u"k"_s;
    QTest::mouseClick(second->cancelButton(), Qt::LeftButton);
    QVERIFY(!f.controller->setupOverlay());
    QTest::mouseClick(f.controller->settingsButton(), Qt::LeftButton);
    QVERIFY(f.controller->setupOverlay());
    QCOMPARE(f.controller->setupOverlay()->keyField()->text(), u"k"_s);
    PanelFixture::settle(); // the closed ones are gone
    QCOMPARE(f.controller->findChildren<SetupOverlayView*>().size(), 1);
    f.controller->openSettings(); // a second request does nothing
    QCOMPARE(f.controller->findChildren<SetupOverlayView*>().size(), 1);
}

QTEST_MAIN(SetupOverlayTest)
#include "SetupOverlayTest.moc"

#include "FakeHttpServer.h"
#include "ServerHarness.h"
#include "Storage.h"
#include "api/Api.h"
#include "model/AppModel.h"
#include "model/Theme.h"
#include "ui/admin/ClientsOverlayView.h"
#include "ui/admin/NewClientOverlayView.h"
#include "ui/admin/SwatchButton.h"
#include "ui/admin/UsersOverlayView.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The client and people overlays as a person uses them, against a real
// tracking server with an administrator Ada and a member Bob. Under Xvfb
// (QT_QPA_PLATFORM=xcb) keys are read back from the clipboard with xclip.
class AdminOverlaysTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServerFixture> f;

    std::unique_ptr<AppModel> profile(const QString& name, const QString& key) {
        auto model = std::make_unique<AppModel>(f->env.path(name));
        Api::connect(*model);
        model->setSettings(f->h.baseUrl(), key);
        sync(*model);
        return model;
    }
    static void sync(AppModel& model) {
        model.syncNow();
        QVERIFY(QTest::qWaitFor([&] { return !model.syncing(); }, 15000));
    }
    static QString clipboard() {
        if (QGuiApplication::platformName() != "xcb"_L1)
            return QGuiApplication::clipboard()->text();
        QProcess xclip; // the clipboard's owner is this process: keep its loop turning
        xclip.start(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s});
        if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000))
            return QString();
        return QString::fromUtf8(xclip.readAllStandardOutput());
    }
    static QString text(QWidget* overlay, const char* name) {
        return overlay->findChild<TextLabel*>(QString::fromLatin1(name))->text();
    }
    // The visible rows of the people list, by their name label.
    static QHash<QString, QWidget*> rows(UsersOverlayView& view) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QHash<QString, QWidget*> byName;
        for (QWidget* row : view.findChildren<QWidget*>(u"person"_s))
            byName.insert(row->findChild<TextLabel*>()->text(), row);
        return byName;
    }
    int status(const QString& key) { return f->h.sync(key, SyncBody::request({})).status; }

private Q_SLOTS:
    void init() { f = std::make_unique<ServerFixture>(); }
    void cleanup() { f.reset(); }

    void newClientRules() {
        QStringList made;
        NewClientOverlayView view([&](const QString& name, const std::optional<QString>& color) {
            made << name + u' ' + color.value_or(QString());
            return true;
        });
        auto* name = view.findChild<QLineEdit*>(u"name"_s);
        auto* hex = view.findChild<QLineEdit*>(u"hex"_s);
        QTest::keyClicks(name, u"  "_s);
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(text(&view, "error"), u"Please enter a name."_s);
        hex->setText(u"#12345"_s);
        QTest::keyClick(hex, Qt::Key_Return);
        QCOMPARE(text(&view, "error"), u"Use a hex colour like #F97316."_s);
        QCOMPARE(hex->text(), u"#12345"_s);
        hex->setText(u"FAAF3B"_s);
        QTest::keyClick(hex, Qt::Key_Return);
        QCOMPARE(hex->text(), u"#faaf3b"_s);
        QVERIFY(view.findChild<SwatchButton*>(u"swatch0"_s)->marked());
        view.findChild<SwatchButton*>(u"swatch3"_s)->click();
        QVERIFY(!view.findChild<SwatchButton*>(u"swatch0"_s)->marked());
        name->setText(u" Acme "_s);
        view.findChild<TextButton*>(u"add"_s)->click();
        QCOMPARE(made, QStringList{u"Acme #f43f5e"_s});
    }

    // Device A (Ada, an administrator) renames, archives and restores a client
    // in the manager; device B (Bob, a member) follows with each sync, may
    // recolour it but not rename it.
    void clientsManager() {
        const qint64 id = f->h.storage().createClient(u"Acme"_s, u"#111111"_s, 1, 0).id;
        const auto server = [&] { return *f->h.storage().client(id); };
        auto ada = profile(u"ada"_s, f->ada);
        auto bob = profile(u"bob"_s, f->bob);
        const QString acme = bob->clients().value(0).id;
        bob->start(u"Plans"_s, acme);
        PopoverViewController panel(ada.get());
        panel.show();
        panel.showClientsManager();
        auto* view = panel.findChild<ClientsOverlayView*>();
        const auto find = [view](const QString& name) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return view->findChild<QWidget*>(name);
        };
        const auto click = [&](const QString& name) {
            QWidget* w = find(name);
            QTRY_VERIFY(w && w->isVisible());
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2)); // on its text
        };

        QTest::mouseDClick(find(u"name"_s), Qt::LeftButton);
        auto* field = qobject_cast<QLineEdit*>(find(u"renameField"_s));
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(text(view, "error"), u"Please enter a name."_s);
        QTest::keyClicks(field, u"Acme Ltd"_s);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(server().name, u"Acme Ltd"_s);
        click(u"rename"_s);
        QTest::keyClicks(qobject_cast<QLineEdit*>(find(u"renameField"_s)), u"Nope"_s);
        QTest::keyClick(find(u"renameField"_s), Qt::Key_Escape);
        QVERIFY(!find(u"renameField"_s));
        click(u"archive"_s);
        QTRY_VERIFY(server().archived);
        QVERIFY(!find(u"name"_s));
        sync(*bob);
        QCOMPARE(bob->client(acme)->name, u"Acme Ltd"_s); // still on Bob's entry
        QCOMPARE(bob->running()->clientId, acme);
        QVERIFY(bob->clients().isEmpty());

        click(u"showArchived"_s);
        click(u"restore"_s);
        QTRY_VERIFY(!server().archived);
        sync(*bob);
        QCOMPARE(bob->clients().size(), 1);
        QCOMPARE(ada->pendingCount(), 0);

        QCOMPARE(bob->renameClient(acme, u"Mine"_s), std::nullopt);
        QTRY_COMPARE(bob->lastSync()->error,
                     u"Only administrators can rename or archive clients"_s);
        sync(*bob);
        QCOMPARE(bob->client(acme)->name, u"Acme Ltd"_s);
        bob->setClientColor(acme, u"#ef4444"_s);
        QTRY_COMPARE(server().color, u"#ef4444"_s);
        QVERIFY(panel.findChild<QWidget*>(u"team"_s)->isVisibleTo(&panel));
        PopoverViewController bobPanel(bob.get());
        bobPanel.reload();
        QVERIFY(!bobPanel.findChild<QWidget*>(u"team"_s)->isVisibleTo(&bobPanel));
    }

    void people() {
        auto ada = profile(u"ada"_s, f->ada);
        f->h.addPerson(u"Cleo"_s);
        UsersOverlayView view(ada.get());
        auto* name = view.findChild<QLineEdit*>(u"name"_s);
        view.addPerson(); // before the list arrives
        QTRY_COMPARE(rows(view).size(), 3);
        QCOMPARE(text(&view, "status"), u"Please enter a name."_s);
        QVERIFY(rows(view).contains(u"Ada (you)  · admin"_s));

        name->setText(u"bob"_s); // taken
        view.findChild<TextButton*>(u"add"_s)->click();
        QTRY_COMPARE(text(&view, "status"), u"A person named \"bob\" already exists"_s);
        QCOMPARE(view.findChild<TextLabel*>(u"status"_s)->color(), Theme::stop());
        QCOMPARE(name->text(), u"bob"_s);

        name->setText(u"Eve"_s);
        view.findChild<TextButton*>(u"add"_s)->click();
        QTRY_COMPARE(rows(view).size(), 4);
        QCOMPARE(text(&view, "status"), u"Added Eve — API key copied, send it to them."_s);
        QCOMPARE(status(clipboard()), 200);

        rows(view)[u"Bob"_s]->findChild<TextButton*>(u"newKey"_s)->click();
        QTRY_COMPARE(text(&view, "status"), u"New key for Bob copied, send it to them."_s);
        const QString bobKey = clipboard();
        QCOMPARE(status(f->bob), 401);
        QCOMPARE(status(bobKey), 200);
        QVERIFY(rows(view)[u"Bob"_s]->findChild<TextButton*>(u"copyKey"_s)->isVisibleTo(&view));

        rows(view)[u"Bob"_s]->findChild<QCheckBox*>(u"active"_s)->click();
        QTRY_COMPARE(text(&view, "status"), u"Bob can no longer sign in."_s);
        QCOMPARE(status(bobKey), 401);
        QVERIFY(!rows(view)[u"Ada (you)  · admin"_s]->findChild<QCheckBox*>());

        // A member's calls are refused.
        auto cleo = profile(u"cleo"_s, f->h.addPerson(u"Dan"_s));
        UsersOverlayView refused(cleo.get());
        QTRY_COMPARE(text(&refused, "status"), QString());
        QCOMPARE(refused.users().size(), 0);
        QCOMPARE(f->h.get(u"/api.php?action=users"_s, cleo->store().db().settings.apiKey).status,
                 403);
    }

    // A server that sends keys with the list: names that differ late are shown
    // whole beside the controls, "Copy key" copies the key that came with the
    // list, and nothing is called empty before the list arrives.
    void peopleWithKeysAndLongNames() {
        FakeHttpServer server;
        server.enqueue(ScriptedReply::json(200, R"({"users": [
                {"id": 1, "name": "Maria Rodriguez", "is_admin": false, "active": true, "api_key": "k-maria"},
                {"id": 2, "name": "Mario Rodriguez", "is_admin": false, "active": true, "api_key": "k-mario"}]})"));
        AppModel model(f->env.path(u"fake"_s));
        model.setSettings(server.baseUrl(), u"key"_s);
        UsersOverlayView view(&model);
        view.resize(380, 620);
        view.show();
        QVERIFY(view.findChildren<TextLabel*>().size() > 0);
        for (const TextLabel* label : view.findChildren<TextLabel*>())
            QVERIFY(label->text() != u"No people yet."_s);
        QTRY_COMPARE(rows(view).size(), 2);
        QCoreApplication::processEvents();
        for (QWidget* row : rows(view)) {
            const TextLabel* name = row->findChild<TextLabel*>();
            QVERIFY2(name->width() >= name->sizeHint().width(), qPrintable(name->text()));
        }
        rows(view)[u"Mario Rodriguez"_s]->findChild<TextButton*>(u"copyKey"_s)->click();
        QCOMPARE(clipboard(), u"k-mario"_s);
    }
};

QTEST_MAIN(AdminOverlaysTest)
#include "AdminOverlaysTest.moc"

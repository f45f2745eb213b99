#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "model/AppModel.h"
#include "reports/ReportExport.h"
#include "ui/report/CheckList.h"
#include "ui/report/ReportWindowController.h"
#include "ui/widgets/TextLabel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QTest>

using namespace Qt::StringLiterals;

// The report window's rules and the window as a person uses it, against a
// scripted server: the filter line, the period and its highlight, what is
// sent, and the export through the save dialog.
class ReportWindowTest : public QObject {
    Q_OBJECT

    struct Fixture {
        TestEnv env{QDateTime(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC)};
        FakeHttpServer server;
        AppModel model{env.dataDirectory()};
        ReportWindowController reports{&model};
        QByteArray reportBody = emptyReport();
    };
    std::unique_ptr<Fixture> f;

    static QByteArray emptyReport() {
        return jsonText("{'from':'a','to':'b','total':0,'grouped':{'user':[],'client':[],'day':[]},"
                        "'entries':[]}");
    }
    // One entry with a client, two pictures and every optional member.
    static QByteArray fullReport() {
        return jsonText(
            "{'from':'a','to':'b','total':3600,'grouped':{'user':[],'client':[],'day':[]},"
            "'entries':[{'id':7,'user_name':'Ada','client_name':'Acme','client_color':"
            "'#ef4444','description':'Plans','started_at':'2026-03-02T09:00:00Z',"
            "'ended_at':'2026-03-02T10:00:00Z','duration':3600,'screenshots':"
            "['/uploads/2026/03/a.png','uploads/2026/03/b.png']}]}");
    }

    QWidget* window() const { return f->reports.window(); }
    QAbstractButton* button(const QString& text) const {
        for (QAbstractButton* b : window()->findChildren<QAbstractButton*>())
            if (b->text() == text)
                return b;
        qFatal("no button %s", qPrintable(text));
    }
    QString status() const { return window()->findChild<TextLabel*>(u"status"_s)->text(); }
    QList<RecordedRequest> requests(const QString& action) const {
        QList<RecordedRequest> found;
        for (const RecordedRequest& r : f->server.requests())
            if (r.query.queryItemValue(u"action"_s) == action || r.path.startsWith(action))
                found.append(r);
        return found;
    }
    QFileDialog* waitForDialog() const {
        QFileDialog* dialog = nullptr;
        const auto found = [&] { return (dialog = window()->findChild<QFileDialog*>()); };
        return QTest::qWaitFor(found, 10000) ? dialog : nullptr;
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<Fixture>();
        Settings& s = f->model.store().db().settings;
        s.server = f->server.baseUrl();
        s.apiKey = u"key"_s;
        s.userId = 2;
        s.isAdmin = true;
        f->model.store().db().clients = {Client{u"c1"_s, 11, u"zeta"_s},
                                         Client{u"c2"_s, 12, u"Acme"_s},
                                         Client{u"c3"_s, std::nullopt, u"Unsynced"_s}};
        f->server.setHandler([this](const RecordedRequest& r) {
            if (r.query.queryItemValue(u"action"_s) == u"users"_s)
                return ScriptedReply::json(
                    200, jsonText("{'users':[{'id':1,'name':'Ada','is_admin':true,'active':true},"
                                  "{'id':2,'name':'Bob','is_admin':false,'active':true}]}"));
            if (r.query.queryItemValue(u"action"_s) == u"reports"_s)
                return ScriptedReply::json(200, f->reportBody);
            return ScriptedReply{404, {}, "text/plain", {}, ScriptedReply::Delivery::Whole};
        });
        f->reports.show();
        QTRY_COMPARE(f->reports.peopleList()->allIds(), (QList<qint64>{1, 2}));
        // Synchronised clients only, sorted without regard to case.
        QCOMPARE(f->reports.clientList()->allIds(), (QList<qint64>{12, 11}));
        QVERIFY(button(u"Bob (you)"_s));
    }
    void cleanup() { f.reset(); }

    void filterLine_data() {
        QTest::addColumn<QList<qint64>>("clientIds");
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QList<qint64>>("userIds");
        QTest::addColumn<QString>("line"); // empty: no line
        QTest::newRow("nothing") << QList<qint64>{} << true << QList<qint64>{} << QString();
        QTest::newRow("one known client")
            << QList<qint64>{12} << true << QList<qint64>{} << u"Client: Acme"_s;
        QTest::newRow("one unknown client")
            << QList<qint64>{99} << false << QList<qint64>{} << u"Clients: 1 selected"_s;
        QTest::newRow("two clients")
            << QList<qint64>{11, 12} << false << QList<qint64>{} << u"Clients: 2 selected"_s;
        QTest::newRow("people and a client") << QList<qint64>{12} << true << QList<qint64>{1, 2}
                                             << u"Client: Acme  ·  People: 2 selected"_s;
        QTest::newRow("one person")
            << QList<qint64>{} << true << QList<qint64>{2} << u"Person: Bob"_s;
        QTest::newRow("people of a member")
            << QList<qint64>{} << false << QList<qint64>{2} << QString();
    }
    void filterLine() {
        QFETCH(QList<qint64>, clientIds);
        QFETCH(bool, admin);
        QFETCH(QList<qint64>, userIds);
        QFETCH(QString, line);
        const std::optional<QString> made = ReportExport::filterLine(
            clientIds, f->model.clients(), admin, userIds,
            {ReportUser{1, u"Ada"_s, true, true, {}}, ReportUser{2, u"Bob"_s, false, true, {}}});
        QCOMPARE(made.value_or(QString()), line);
        QCOMPARE(made.has_value(), !line.isEmpty());
    }

    void presetsAndDays() {
        const QList<QDateEdit*> pickers = window()->findChildren<QDateEdit*>();
        QVERIFY(button(u"This month"_s)->isChecked());
        button(u"Last week"_s)->click();
        QCOMPARE(pickers[0]->date(), QDate(2026, 3, 2));
        QVERIFY(button(u"Last week"_s)->isChecked());
        QVERIFY(!button(u"This month"_s)->isChecked());
        pickers[1]->setDate(QDate(2026, 3, 9));
        for (const Preset p : Preset::all())
            QVERIFY2(!button(p.title())->isChecked(), qPrintable(p.title()));
        QCOMPARE(f->reports.suggestedName(ReportExport::Kind::Json),
                 u"Zevra-Report_2026-03-02_2026-03-09.json"_s);
    }

    void sent_data() {
        QTest::addColumn<QString>("download");
        QTest::addColumn<bool>("shotsBox");
        QTest::addColumn<bool>("stillAdmin");
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<QString>("query"); // of the report request; empty: none
        QTest::addColumn<int>("pictures");
        const QString month = u"action=reports&from=2026-03-01T00:00:00Z&to=2026-04-01T00:00:00Z"_s;
        QTest::newRow("days in the wrong order")
            << u"Download PDF"_s << true << true << true << QString() << 0;
        QTest::newRow("administrator") << u"Download JSON"_s << true << true << false
                                       << month + u"&user_ids=1,2&client_ids=12"_s << 0;
        QTest::newRow("no longer administrator")
            << u"Download PDF"_s << false << false << false << month + u"&client_ids=12"_s << 0;
        QTest::newRow("pdf with pictures") << u"Download PDF"_s << true << true << false
                                           << month + u"&user_ids=1,2&client_ids=12"_s << 2;
    }
    void sent() {
        QFETCH(QString, download);
        QFETCH(bool, shotsBox);
        QFETCH(bool, stillAdmin);
        QFETCH(bool, reversed);
        QFETCH(QString, query);
        QFETCH(int, pictures);
        f->reportBody = fullReport();
        f->reports.selectEveryone();
        f->reports.clientList()->select({12});
        button(u"Include screenshots in the PDF"_s)->setChecked(shotsBox);
        f->model.store().db().settings.isAdmin = stillAdmin;
        if (reversed)
            window()->findChildren<QDateEdit*>()[0]->setDate(QDate(2026, 4, 1));
        button(download)->click();
        if (query.isEmpty()) {
            QCOMPARE(status(), u"The “to” date must be on or after the “from” date."_s);
            QTest::qWait(200);
            QVERIFY(requests(u"reports"_s).isEmpty());
            return;
        }
        QFileDialog* dialog = waitForDialog();
        QVERIFY(dialog);
        QCOMPARE(requests(u"reports"_s).value(0).query.toString(QUrl::FullyDecoded), query);
        QCOMPARE(requests(u"/uploads/"_s).size(), pictures);
        dialog->reject();
        QCOMPARE(status(), QString());
    }

    // The whole export through the save dialog; an empty report can be saved too.
    void emptyReportStillSaves() {
        button(u"Download PDF"_s)->click();
        QVERIFY(!button(u"Download PDF"_s)->isEnabled());
        QFileDialog* dialog = waitForDialog();
        QVERIFY(dialog);
        QVERIFY(button(u"Download PDF"_s)->isEnabled());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QCOMPARE(status(), u"No time entries in that period."_s);
        const QString name = u"Zevra-Report_2026-03-01_2026-03-31.pdf"_s;
        QCOMPARE(dialog->selectedFiles().value(0).section(u'/', -1), name);
        dialog->selectFile(f->env.path() + u"/"_s + name);
        static_cast<QDialog*>(dialog)->accept(); // as the Save button does
        QCOMPARE(status(), u"Saved "_s + name);
        QFile file(f->env.path() + u"/"_s + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("%PDF"));
    }

    // Pictures are counted while they arrive.
    void progress() {
        f->reportBody = fullReport();
        const ReportExport::Request request{
            QDate(2026, 3, 1), QDate(2026, 3, 31), ReportExport::Kind::Pdf, true, {}, {}, {}};
        QStringList said;
        bool done = false;
        ReportExport::run(
            f->model.store(), request, &f->server, [&](const QString& text) { said.append(text); },
            [&](const ReportExport::Outcome&) { done = true; });
        QTRY_VERIFY(done);
        QCOMPARE(said, (QStringList{u"Building report…"_s, u"Downloading screenshots 0 of 2…"_s,
                                    u"Downloading screenshots 1 of 2…"_s,
                                    u"Downloading screenshots 2 of 2…"_s}));
    }

    // Closing the window drops the export under way; nothing arrives later.
    void closeDuringExport() {
        f->server.setHandler([](const RecordedRequest&) { return ScriptedReply::stalled(); });
        bool closed = false;
        f->reports.setOnClose([&] { closed = true; });
        button(u"Download PDF"_s)->click();
        QVERIFY(f->server.waitForRequests(1));
        button(u"Close"_s)->click();
        QTRY_VERIFY(closed);
        QVERIFY(button(u"Download PDF"_s)->isEnabled());
        QTest::qWait(300);
        QVERIFY(!window()->findChild<QFileDialog*>());
    }
};

QTEST_MAIN(ReportWindowTest)
#include "ReportWindowTest.moc"

#include "FakeHttpServer.h"
#include "JsonText.h"
#include "TestEnv.h"
#include "exchange/ReportExport.h"
#include "model/AppModel.h"
#include "ui/report/CheckList.h"
#include "ui/report/ReportWindowController.h"
#include "ui/widgets/TextLabel.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QFileDialog>
#include <QTest>

using namespace Qt::StringLiterals;

// The report window's rules and the window as a person uses it, against a
// scripted server: the filter line, the period and its highlight, what is
// sent, and leaving the save dialog or the window.
class ReportWindowTest : public QObject {
    Q_OBJECT

    struct Fixture {
        TestEnv env{QDateTime(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC)};
        FakeHttpServer server;
        AppModel model{env.dataDirectory()};
        ReportWindowController reports{&model};
        QByteArray reportBody = jsonText("{'from':'a','to':'b','total':0,'grouped':{'user':[],"
                                         "'client':[],'day':[]},'entries':[]}");
    };
    std::unique_ptr<Fixture> f;

    // One entry with two pictures.
    static QByteArray fullReport() {
        return jsonText(
            "{'from':'a','to':'b','total':3600,'grouped':{'user':[],'client':[],'day':"
            "[]},'entries':[{'id':7,'description':'Plans','started_at':'2026-03-02T09:"
            "00:00Z','screenshots':['/uploads/2026/03/a.png','uploads/2026/03/b.png']}]}");
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
                                         Client{u"c3"_s, std::nullopt, u"Unsynced"_s},
                                         Client{u"c4"_s, 13, u"Beta"_s, u"#8b5cf6"_s, true}};
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
        // Synchronised clients only, archived ones too, sorted without regard to case.
        QCOMPARE(f->reports.clientList()->allIds(), (QList<qint64>{12, 13, 11}));
        QVERIFY(button(u"Bob (you)"_s) && button(u"Beta (archived)"_s));
    }
    void cleanup() { f.reset(); }

    void filterLine_data() {
        QTest::addColumn<QList<qint64>>("clientIds");
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QList<qint64>>("userIds");
        QTest::addColumn<QString>("line"); // empty: no line
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
        button(u"Last week"_s)->click();
        QCOMPARE(pickers[0]->date(), QDate(2026, 3, 2));
        QVERIFY(button(u"Last week"_s)->isChecked() && !button(u"This month"_s)->isChecked());
        // A day picked by hand matches no preset any more.
        pickers[1]->setDate(QDate(2026, 3, 9));
        QVERIFY(!button(u"Last week"_s)->isChecked());
        QCOMPARE(f->reports.suggestedName(ReportExport::Kind::Json),
                 u"Zevra-Report_2026-03-02_2026-03-09.json"_s);
        // Days in the wrong order are refused before anything is sent.
        pickers[0]->setDate(QDate(2026, 4, 1));
        button(u"Download PDF"_s)->click();
        QCOMPARE(status(), u"The “to” date must be on or after the “from” date."_s);
        QTest::qWait(200);
        QVERIFY(requests(u"reports"_s).isEmpty());
    }

    void sent_data() {
        QTest::addColumn<bool>("admin");    // still one, and asking for pictures
        QTest::addColumn<QString>("query"); // of the report request
        QTest::addColumn<int>("pictures");
        const QString month = u"action=reports&from=2026-03-01T00:00:00Z&to=2026-04-01T00:00:00Z"_s;
        QTest::newRow("no longer administrator") << false << month + u"&client_ids=12"_s << 0;
        QTest::newRow("pictures, all clients")
            << true << month + u"&user_ids=1,2&client_ids=12,13,11"_s << 2;
    }
    void sent() {
        QFETCH(bool, admin);
        QFETCH(QString, query);
        QFETCH(int, pictures);
        f->reportBody = fullReport();
        f->reports.selectEveryone();
        f->reports.clientList()->select({12});
        if (admin)
            QTest::mouseClick(button(u"All"_s), Qt::LeftButton);
        button(u"Include screenshots in the PDF"_s)->setChecked(admin);
        f->model.store().db().settings.isAdmin = admin;
        button(u"Download PDF"_s)->click();
        QFileDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = window()->findChild<QFileDialog*>()));
        QCOMPARE(requests(u"reports"_s).value(0).query.toString(QUrl::FullyDecoded), query);
        QCOMPARE(requests(u"/uploads/"_s).size(), pictures);
        dialog->reject();
        QCOMPARE(status(), QString());
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

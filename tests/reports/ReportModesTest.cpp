#include "AppProcess.h"
#include "FakeHttpServer.h"
#include "JsonText.h"
#include "PdfProbe.h"
#include "TestEnv.h"
#include "model/Store.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// The two report modes of the zevra-tikit executable, run as a separate
// process: the made-up report, and the report from a (scripted) server.
class ReportModesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;

    QString output() const { return m_env->path() + u"/out.pdf"_s; }

    void writeSettings(const QString& server, const QString& key) {
        AppProcess::writeSettings(m_env->dataDirectory(), server, key);
    }

    AppProcess::Run run(const QStringList& env) {
        QStringList all = env;
        all.prepend(u"TZ=UTC"_s);
        return AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), all);
    }

    static QByteArray reportBody() {
        return jsonText(
            "{'from':'2025-10-07T00:00:00Z','to':'2026-01-06T00:00:00Z','total':9000,"
            "'grouped':{'user':[{'name':'Ana','seconds':9000}],"
            "'client':[{'name':'Acme','seconds':5400},{'name':'Globex','seconds':3600}],"
            "'day':[{'name':'2026-01-05','seconds':9000}]},"
            "'entries':[{'id':1,'user_name':'Ana','client_name':'Acme','client_color':'#ef4444',"
            "'description':'Quarterly planning','started_at':'2026-01-05T09:00:00Z',"
            "'duration':5400,'screenshots':['x.png']},"
            "{'id':2,'user_name':'Ana','client_name':'Globex','description':'Support',"
            "'started_at':'2026-01-05T11:00:00Z','ended_at':'2026-01-05T12:00:00Z',"
            "'duration':3600}]}");
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
    }

    void cleanup() {
        m_server.reset();
        m_env.reset();
    }

    void syntheticReport() {
        const AppProcess::Run r =
            run({u"ZEVRA_REPORT_SYNTH=40"_s, u"ZEVRA_REPORT_TEST="_s + output()});
        QCOMPARE(r.exitCode, 0);
        const qint64 size = QFileInfo(output()).size();
        QCOMPARE(r.lines,
                 QStringList{u"synth entries: 40  pdf: %1 bytes -> %2"_s.arg(size).arg(output())});

        const PdfProbe pdf(output());
        QVERIFY2(pdf.pages() >= 3, qPrintable(QString::number(pdf.pages())));
        const QString first = pdf.text(1);
        QVERIFY(first.contains(u"Detailed report"_s));
        QVERIFY(first.contains(u"01/01/2026 - 31/12/2026"_s));
        QVERIFY(first.contains(u"Clients: 3 selected"_s));
        QVERIFY(first.contains(u"80:00:00"_s)); // 40 entries of two hours
        // The long description wraps onto several lines of its row.
        QVERIFY(pdf.text().count(u"Migrated the reporting pipeline"_s) >= 5);
        const QRectF start = pdf.wordBox(1, u"Migrated"_s);
        QVERIFY(!start.isEmpty());
        int lines = 0;
        for (const PdfProbe::Word& w : pdf.words(1)) {
            if (qAbs(w.box.left() - 44) < 0.5 && w.box.top() >= start.top() &&
                w.box.top() < start.top() + 100)
                ++lines;
        }
        QVERIFY2(lines >= 5, qPrintable(QString::number(lines)));
        // Generated thumbnails, drawn as they are (they are small already).
        const QList<QSize> images = pdf.images();
        QVERIFY(images.size() > 10);
        QCOMPARE(images.first(), QSize(160, 100));
        QVERIFY(pdf.text(2).contains(u"(continued)"_s));
    }

    void syntheticReportEdgeCounts_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("entries");
        QTest::newRow("zero") << u"0"_s << 0;
        QTest::newRow("negative counts as none") << u"-5"_s << 0;
        QTest::newRow("blanks around") << u" 3 "_s << 3;
    }

    void syntheticReportEdgeCounts() {
        QFETCH(QString, value);
        QFETCH(int, entries);
        const AppProcess::Run r =
            run({u"ZEVRA_REPORT_SYNTH="_s + value, u"ZEVRA_REPORT_TEST="_s + output()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.size(), 1);
        QVERIFY(r.lines[0].startsWith(u"synth entries: %1  pdf: "_s.arg(entries)));
        const PdfProbe pdf(output());
        QCOMPARE(pdf.pages(), 1);
        QCOMPARE(pdf.text().contains(u"No time entries in this period."_s), entries == 0);
    }

    // A value that is not a whole number skips the made-up report: the order
    // goes on to the server report, here without a configured server.
    void notAWholeNumberIsSkipped_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("text") << u"many"_s;
        QTest::newRow("fraction") << u"1.5"_s;
        QTest::newRow("empty") << QString();
    }

    void notAWholeNumberIsSkipped() {
        QFETCH(QString, value);
        writeSettings(QString(), QString());
        const AppProcess::Run r =
            run({u"ZEVRA_REPORT_SYNTH="_s + value, u"ZEVRA_REPORT_TEST="_s + output()});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.lines, (QStringList{u"user   :  (id nil, admin false)"_s, u"users  : []"_s,
                                       u"error  : Not configured"_s}));
        QVERIFY(!QFile::exists(output()));
    }

    void serverReport() {
        writeSettings(m_server->baseUrl(), u"secret"_s);
        m_server->setHandler([](const RecordedRequest& r) {
            const QString action = r.query.queryItemValue(u"action"_s);
            if (action == u"sync"_s) {
                return ScriptedReply::json(
                    200,
                    jsonText("{'ok':true,'user':{'id':4,'name':'Ana','is_admin':true},"
                             "'clients':[],'entries':[],'server_time':'2026-01-05T10:00:00Z'}"));
            }
            if (action == u"users"_s) {
                return ScriptedReply::json(
                    200,
                    jsonText("{'users':[{'id':4,'name':'Ana','is_admin':true,'active':true},"
                             "{'id':5,'name':'Ben \\'B\\'','is_admin':false,'active':true}]}"));
            }
            return ScriptedReply::json(200, reportBody());
        });
        const AppProcess::Run r = run({u"ZEVRA_REPORT_TEST="_s + output()});
        QCOMPARE(r.exitCode, 0);
        const qint64 size = QFileInfo(output()).size();
        QCOMPARE(r.lines, (QStringList{u"user   : Ana (id 4, admin true)"_s,
                                       u"users  : [\"Ana\", \"Ben \\\"B\\\"\"]"_s,
                                       u"entries: 2  total: 9000s"_s,
                                       u"pdf    : %1 bytes -> %2"_s.arg(size).arg(output())}));

        // The last 90 days up to the start of tomorrow, in the process's zone (UTC).
        const RecordedRequest& request = m_server->requests().last();
        QCOMPARE(request.query.queryItemValue(u"action"_s), u"reports"_s);
        const QDate today = QDateTime::currentDateTimeUtc().date();
        QCOMPARE(request.query.queryItemValue(u"from"_s),
                 today.addDays(-90).toString(u"yyyy-MM-dd"_s) + u"T00:00:00Z"_s);
        QCOMPARE(request.query.queryItemValue(u"to"_s),
                 today.addDays(1).toString(u"yyyy-MM-dd"_s) + u"T00:00:00Z"_s);
        QVERIFY(!request.query.hasQueryItem(u"user_ids"_s));
        QVERIFY(!request.query.hasQueryItem(u"client_ids"_s));

        const PdfProbe pdf(output());
        QCOMPARE(pdf.pages(), 1);
        const QString text = pdf.text();
        QVERIFY(text.contains(u"All clients"_s));
        QVERIFY(text.contains(u"Quarterly planning"_s));
        QVERIFY(text.contains(u"Total 2:30:00"_s));
        const QString dmy = u"dd/MM/yyyy"_s;
        QVERIFY(text.contains(today.addDays(-90).toString(dmy) + u" - "_s + today.toString(dmy)));
        // The server report does not carry screenshots.
        QVERIFY(pdf.images().isEmpty());
    }

    void serverReportFailure() {
        writeSettings(m_server->baseUrl(), u"secret"_s);
        m_server->setHandler([](const RecordedRequest& r) {
            if (r.query.queryItemValue(u"action"_s) == u"reports"_s)
                return ScriptedReply::json(500, jsonText("{'error':'Report failed'}"));
            return ScriptedReply::json(403, jsonText("{'ok':false,'error':'Forbidden'}"));
        });
        const AppProcess::Run r = run({u"ZEVRA_REPORT_TEST="_s + output()});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.lines, (QStringList{u"user   :  (id nil, admin false)"_s, u"users  : []"_s,
                                       u"error  : Report failed"_s}));
        QVERIFY(!QFile::exists(output()));
    }

    void unwritableOutput() {
        const QString path = m_env->path() + u"/missing/folder/out.pdf"_s;
        const AppProcess::Run r = run({u"ZEVRA_REPORT_SYNTH=2"_s, u"ZEVRA_REPORT_TEST="_s + path});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.lines.isEmpty());
        QVERIFY(r.errors.contains(path));
    }
};

QTEST_GUILESS_MAIN(ReportModesTest)
#include "ReportModesTest.moc"

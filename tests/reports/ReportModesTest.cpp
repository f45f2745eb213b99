#include "../server/ServerHarness.h"
#include "AppProcess.h"
#include "PdfProbe.h"
#include "Storage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

// The two report modes of the zevra-tikit executable, run as a separate
// process: the made-up report, and the report of the last 90 days from a real
// tracking server.
class ReportModesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServerFixture> f;

    QString output() const { return f->env.path() + u"/out.pdf"_s; }

    AppProcess::Run run(const QString& synth) {
        QStringList env{u"TZ=UTC"_s, u"ZEVRA_REPORT_TEST="_s + output()};
        if (!synth.isNull())
            env.append(u"ZEVRA_REPORT_SYNTH="_s + synth);
        return AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), env);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServerFixture>(); }
    void cleanup() { f.reset(); }

    void syntheticReport() {
        const AppProcess::Run r = run(u"40"_s);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, QStringList{u"synth entries: 40  pdf: %1 bytes -> %2"_s
                                          .arg(QFileInfo(output()).size())
                                          .arg(output())});
        const PdfProbe pdf(output());
        QVERIFY2(pdf.pages() >= 3, qPrintable(QString::number(pdf.pages())));
        const QString first = pdf.text(1);
        QVERIFY(first.contains(u"Clients: 3 selected"_s));
        QVERIFY(first.contains(u"80:00:00"_s)); // 40 entries of two hours
        QVERIFY(pdf.images().size() > 10);
        QVERIFY(pdf.text(2).contains(u"(continued)"_s));
    }

    void serverReport() {
        // Two finished entries of the last hours by the real clock, which the
        // process goes by; one with a client.
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const qint64 acme = f->h.storage().createClient(u"Acme Works"_s, u"#ef4444"_s, 1, 0).id;
        for (const auto& [ref, start, end] :
             {std::tuple{u"Quarterly planning"_s, now - 4 * 3600, now - 2 * 3600},
              std::tuple{u"Inbox"_s, now - 3600, now - 1800}}) {
            ServerEntry e;
            e.userId = 1;
            e.ref = e.description = ref;
            e.clientId = ref == "Inbox"_L1 ? std::nullopt : std::optional<qint64>(acme);
            e.startedAt = e.updatedAt = start;
            e.endedAt = end;
            f->h.storage().insertEntry(e);
        }
        AppProcess::writeSettings(f->env.dataDirectory(), f->h.baseUrl(), f->ada);
        const AppProcess::Run r = run(QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines,
                 (QStringList{
                     u"user   : Ada (id 1, admin true)"_s, u"users  : [\"Ada\", \"Bob\"]"_s,
                     u"entries: 2  total: 9000s"_s,
                     u"pdf    : %1 bytes -> %2"_s.arg(QFileInfo(output()).size()).arg(output())}));
        const PdfProbe pdf(output());
        QCOMPARE(pdf.pages(), 1);
        const QString text = pdf.text();
        const QDate today = QDateTime::currentDateTimeUtc().date();
        for (const QString& expected :
             {u"Quarterly planning"_s, u"Acme Works"_s, u"All clients"_s, u"Total 2:30:00"_s,
              today.addDays(-90).toString(u"dd/MM/yyyy"_s) + u" - "_s +
                  today.toString(u"dd/MM/yyyy"_s)})
            QVERIFY2(text.contains(expected), qPrintable(expected));

        // A failing server: the error, no file.
        QVERIFY(QFile::remove(output()));
        f->h.storage().setUserActive(1, false);
        const AppProcess::Run failed = run(QString());
        QCOMPARE(failed.exitCode, 1);
        QCOMPARE(failed.lines.value(2), u"error  : This account is disabled"_s);
        QVERIFY(!QFile::exists(output()));
    }

    void unwritableOutput() {
        QVERIFY(QDir().mkpath(output()));
        const AppProcess::Run r = run(u"2"_s);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.errors.contains(output()));
    }
};

QTEST_GUILESS_MAIN(ReportModesTest)
#include "ReportModesTest.moc"

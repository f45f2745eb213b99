// The CSV export as a spreadsheet reads it: Python's csv module gets back
// every awkward text, the durations and the hours; this app reads it back to
// the same entries.

#include "exchange/CsvReport.h"
#include "exchange/ImportParser.h"
#include "model/Time.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

using namespace Qt::StringLiterals;

class CsvExportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readBackBySpreadsheetsAndByItself() {
        const QStringList texts{u"plain"_s,      u"comma, inside"_s, u"quote \"inside\""_s,
                                u"two\nlines"_s, u"=1+1"_s,          u"+49 30 123"_s,
                                u"-minus"_s,     u"@at"_s,           u"Ümlaut 日本語"_s};
        const QTimeZone berlin("Europe/Berlin");
        Report report;
        QDateTime start(QDate(2026, 3, 28), QTime(22, 0), Qt::UTC); // the night the clocks jump
        for (qsizetype i = 0; i < texts.size(); ++i) {
            ReportEntry e;
            e.description = texts[i];
            e.clientName = texts[texts.size() - 1 - i];
            e.startedAt = Time::iso(start);
            e.duration = 1000 + 733 * i;
            e.endedAt = Time::iso(start.addSecs(*e.duration));
            report.total += *e.duration;
            report.entries.append(e);
            start = start.addSecs(*e.duration);
        }
        const QByteArray csv = CsvReport::csv(report, berlin);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                               "Date,Start,End,Duration,Hours,Description,Client,Person\r\n"));

        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(csv);
        file.close();
        QProcess python;
        python.start(
            u"/usr/bin/python3"_s,
            {u"-c"_s,
             u"import csv, json, sys\n"
             "rows = list(csv.DictReader(open(sys.argv[1], encoding='utf-8-sig', newline='')))\n"
             "print(json.dumps(rows))"_s,
             file.fileName()});
        QVERIFY(python.waitForFinished(20000));
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), texts.size());
        qint64 total = 0;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QJsonObject row = rows[i].toObject();
            const QString guarded =
                CsvReport::looksLikeFormula(texts[i]) ? u"'"_s + texts[i] : texts[i];
            QCOMPARE(row["Description"_L1].toString(), guarded);
            const qint64 seconds = *report.entries[i].duration;
            QCOMPARE(row["Duration"_L1].toString(), Time::hms(double(seconds)));
            QVERIFY(qAbs(row["Hours"_L1].toString().toDouble() - seconds / 3600.0) <= 0.005);
            total += *Time::parseDuration(row["Duration"_L1].toString());
        }
        QCOMPARE(total, report.total);
        // Local times: 23:00 in Berlin before the jump, summer time after it.
        QCOMPARE(rows[0].toObject()["Start"_L1].toString(), u"2026-03-28 23:00:00"_s);
        QCOMPARE(rows[8].toObject()["End"_L1].toString(), u"2026-03-29 09:49:48"_s);

        // Read back by this app, the guard undone.
        const ImportParser::Parsed parsed =
            ImportParser::parse(csv, ImportParser::Format::Csv, QString(), berlin);
        QVERIFY(!parsed.error);
        QCOMPARE(parsed.entries.size(), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i) {
            QCOMPARE(parsed.entries[i].description, texts[i]);
            QCOMPARE(parsed.entries[i].client.value_or(QString()), texts[texts.size() - 1 - i]);
            QCOMPARE(Time::iso(parsed.entries[i].start), report.entries[i].startedAt);
            QCOMPARE(Time::iso(parsed.entries[i].end), *report.entries[i].endedAt);
        }
    }
};

QTEST_GUILESS_MAIN(CsvExportTest)
#include "CsvExportTest.moc"

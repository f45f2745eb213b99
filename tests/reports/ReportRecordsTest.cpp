#include "JsonText.h"
#include "reports/Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

// The report records in their wire form, and the screenshot addresses of an
// entry.
class ReportRecordsTest : public QObject {
    Q_OBJECT

private:
    static QByteArray fullReport() {
        return jsonText(
            "{'from':'2026-01-01T00:00:00Z','to':'2026-02-01T00:00:00Z','total':5400,"
            "'extra':{'ignored':true},"
            "'grouped':{'user':[{'name':'Ana','seconds':5400}],"
            "'client':[{'name':'Acme','seconds':3600},{'name':'No client','seconds':1800}],"
            "'day':[{'name':'2026-01-05','seconds':5400,'weekday':'Mon'}]},"
            "'entries':[{'id':7,'user_name':'Ana','client_name':'Acme','client_color':'#ef4444',"
            "'description':'Design','started_at':'2026-01-05T09:00:00Z',"
            "'ended_at':'2026-01-05T10:00:00Z','duration':3600,"
            "'screenshots':['2026/01/a.png','https://cdn.example.com/b.png'],'billable':false},"
            "{'id':8,'description':'','started_at':'2026-01-05T11:00:00Z',"
            "'user_name':null,'client_name':null,'client_color':null,'ended_at':null,"
            "'duration':null,'screenshots':null}]}");
    }

    static QJsonObject withoutKey(const QByteArray& json, const QStringList& path) {
        QJsonObject root = QJsonDocument::fromJson(json).object();
        if (path.size() == 1) {
            root.remove(path[0]);
        } else if (path[0] == u"grouped"_s) {
            QJsonObject grouped = root.value("grouped"_L1).toObject();
            grouped.remove(path[1]);
            root.insert("grouped"_L1, grouped);
        } else {
            QJsonArray entries = root.value("entries"_L1).toArray();
            QJsonObject first = entries[0].toObject();
            first.remove(path[1]);
            entries[0] = first;
            root.insert("entries"_L1, entries);
        }
        return root;
    }

private Q_SLOTS:
    void decodesEveryField() {
        const std::optional<Report> report = Report::fromJsonBytes(fullReport());
        QVERIFY(report);
        QCOMPARE(report->from, u"2026-01-01T00:00:00Z"_s);
        QCOMPARE(report->to, u"2026-02-01T00:00:00Z"_s);
        QCOMPARE(report->total, 5400);
        QCOMPARE(report->grouped.user, (QList<ReportBucket>{{u"Ana"_s, 5400}}));
        QCOMPARE(report->grouped.client.size(), 2);
        QCOMPARE(report->grouped.client[1], (ReportBucket{u"No client"_s, 1800}));
        QCOMPARE(report->grouped.day.size(), 1);
        QCOMPARE(report->entries.size(), 2);

        const ReportEntry& e = report->entries[0];
        QCOMPARE(e.id, 7);
        QCOMPARE(e.userName, u"Ana"_s);
        QCOMPARE(e.clientName, u"Acme"_s);
        QCOMPARE(e.clientColor, u"#ef4444"_s);
        QCOMPARE(e.description, u"Design"_s);
        QCOMPARE(e.startedAt, u"2026-01-05T09:00:00Z"_s);
        QCOMPARE(e.endedAt, u"2026-01-05T10:00:00Z"_s);
        QCOMPARE(e.duration, 3600);
        QCOMPARE(e.screenshots,
                 (QStringList{u"2026/01/a.png"_s, u"https://cdn.example.com/b.png"_s}));

        // JSON null leaves a field absent, like a missing key.
        const ReportEntry& running = report->entries[1];
        QVERIFY(!running.userName && !running.clientName && !running.clientColor);
        QVERIFY(!running.endedAt && !running.duration && !running.screenshots);
        QCOMPARE(running.description, QString());
    }

    void absentFieldsAreLeftOutWhenEncoded() {
        const std::optional<Report> report = Report::fromJsonBytes(fullReport());
        const QJsonObject json = report->toJson();
        QVERIFY(!json.contains("extra"_L1));
        const QJsonObject running = json.value("entries"_L1).toArray()[1].toObject();
        QCOMPARE(running.keys(), (QStringList{u"description"_s, u"id"_s, u"started_at"_s}));
        const QJsonObject full = json.value("entries"_L1).toArray()[0].toObject();
        QCOMPARE(full.value("client_color"_L1).toString(), u"#ef4444"_s);
        QCOMPARE(full.value("duration"_L1).toInteger(), 3600);
        QVERIFY(!full.contains("billable"_L1));
        QCOMPARE(json.value("grouped"_L1).toObject().keys(),
                 (QStringList{u"client"_s, u"day"_s, u"user"_s}));

        // Encoding and decoding again gives the same report.
        QCOMPARE(Report::fromJson(json), report);
    }

    void missingOrMistypedFieldsFail_data() {
        QTest::addColumn<QStringList>("path");
        QTest::newRow("from") << QStringList{u"from"_s};
        QTest::newRow("to") << QStringList{u"to"_s};
        QTest::newRow("total") << QStringList{u"total"_s};
        QTest::newRow("grouped") << QStringList{u"grouped"_s};
        QTest::newRow("entries") << QStringList{u"entries"_s};
        QTest::newRow("grouped.user") << QStringList{u"grouped"_s, u"user"_s};
        QTest::newRow("grouped.client") << QStringList{u"grouped"_s, u"client"_s};
        QTest::newRow("grouped.day") << QStringList{u"grouped"_s, u"day"_s};
        QTest::newRow("entry id") << QStringList{u"entries"_s, u"id"_s};
        QTest::newRow("entry description") << QStringList{u"entries"_s, u"description"_s};
        QTest::newRow("entry started_at") << QStringList{u"entries"_s, u"started_at"_s};
    }

    void missingOrMistypedFieldsFail() {
        QFETCH(QStringList, path);
        QVERIFY(!Report::fromJson(withoutKey(fullReport(), path)));
    }

    void optionalEntryFieldsMayBeMissing_data() {
        QTest::addColumn<QString>("key");
        for (const char* key :
             {"user_name", "client_name", "client_color", "ended_at", "duration", "screenshots"})
            QTest::newRow(key) << QString::fromLatin1(key);
    }

    void optionalEntryFieldsMayBeMissing() {
        QFETCH(QString, key);
        const std::optional<Report> report =
            Report::fromJson(withoutKey(fullReport(), {u"entries"_s, key}));
        QVERIFY(report);
        QVERIFY(!report->entries[0].toJson().contains(key));
    }

    void wrongTypesFail_data() {
        QTest::addColumn<QByteArray>("body");
        const char* grouped = "'grouped':{'user':[],'client':[],'day':[]}";
        auto report = [&](const char* rest) {
            return jsonText((u"{'from':'a','to':'b',"_s + QLatin1StringView(grouped) + u","_s +
                             QLatin1StringView(rest) + u"}"_s)
                                .toLatin1()
                                .constData());
        };
        QTest::newRow("total as text") << report("'total':'10','entries':[]");
        QTest::newRow("total with a fraction") << report("'total':1.5,'entries':[]");
        QTest::newRow("entries as an object") << report("'total':1,'entries':{}");
        QTest::newRow("duration as text")
            << report("'total':1,'entries':[{'id':1,'description':'','started_at':'x',"
                      "'duration':'60'}]");
        QTest::newRow("screenshot as a number")
            << report("'total':1,'entries':[{'id':1,'description':'','started_at':'x',"
                      "'screenshots':[3]}]");
        QTest::newRow("bucket without seconds")
            << jsonText("{'from':'a','to':'b','total':1,'entries':[],"
                        "'grouped':{'user':[{'name':'x'}],'client':[],'day':[]}}");
        QTest::newRow("not JSON") << QByteArray("<html>502</html>");
        QTest::newRow("an array") << QByteArray("[]");
    }

    void wrongTypesFail() {
        QFETCH(QByteArray, body);
        QVERIFY(!Report::fromJsonBytes(body));
    }

    void screenshotUrls_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("max");
        QTest::addColumn<QStringList>("urls");

        QTest::newRow("slashes on both sides of the seam")
            << u"http://host:8080/"_s << QStringList{u"/uploads/2026/01/a.png"_s} << 6
            << QStringList{u"http://host:8080/uploads/2026/01/a.png"_s};
        QTest::newRow("several slashes and blanks around the base")
            << u"  http://host/zevra///\n"_s << QStringList{u"//a.png//"_s} << 6
            << QStringList{u"http://host/zevra/a.png"_s};
        QTest::newRow("no slash at the seam") << u"http://host"_s << QStringList{u"uploads/a.png"_s}
                                              << 6 << QStringList{u"http://host/uploads/a.png"_s};
        QTest::newRow("absolute addresses are kept")
            << u"http://host/"_s
            << QStringList{u"https://cdn.example.com//x.png"_s, u"http://other/y.png"_s} << 6
            << QStringList{u"https://cdn.example.com//x.png"_s, u"http://other/y.png"_s};
        QTest::newRow("other schemes count as paths")
            << u"http://host"_s << QStringList{u"ftp://x/y.png"_s} << 6
            << QStringList{u"http://host/ftp://x/y.png"_s};
        QTest::newRow("only the first max")
            << u"http://host"_s
            << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s, u"9"_s}
            << 6 << QStringList{u"http://host/1"_s, u"http://host/2"_s, u"http://host/3"_s,
                                u"http://host/4"_s, u"http://host/5"_s, u"http://host/6"_s};
        QTest::newRow("max 0") << u"http://host"_s << QStringList{u"a.png"_s} << 0 << QStringList{};
        QTest::newRow("texts that are no URL are skipped, not replaced")
            << u"http://host"_s << QStringList{u"bad path.png"_s, u"b.png"_s, u"c.png"_s} << 2
            << QStringList{u"http://host/b.png"_s};
    }

    void screenshotUrls() {
        QFETCH(QString, base);
        QFETCH(QStringList, texts);
        QFETCH(int, max);
        QFETCH(QStringList, urls);
        ReportEntry entry;
        entry.screenshots = texts;
        QStringList got;
        for (const QUrl& url : entry.screenshotUrls(base, max))
            got.append(url.toString());
        QCOMPARE(got, urls);
    }

    void noScreenshotsNoUrls() {
        ReportEntry entry;
        QVERIFY(entry.screenshotUrls(u"http://host"_s, 6).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ReportRecordsTest)
#include "ReportRecordsTest.moc"

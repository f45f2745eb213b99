// Imports as a person runs them: files in each recognised form, refused
// whole when a row cannot be read, Timewarrior's own export made by timew,
// and imported entries reaching zevra-server once, whichever device imports.

#include "ServerHarness.h"
#include "Storage.h"
#include "TestEnv.h"
#include "api/Api.h"
#include "exchange/Importer.h"
#include "model/AppModel.h"
#include "model/Time.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// "5 09:00-10:30 Design · Acme" for each stored entry (UTC, days of January).
QStringList stored(AppModel& model) {
    QStringList lines;
    for (const Entry& e : model.store().db().entries) {
        const QDateTime start = *Time::parse(e.startedAt), end = *Time::parse(e.endedAt);
        const std::optional<Client> client = model.client(e.clientId);
        lines.append(u"%1 %2-%3 %4%5"_s.arg(start.date().day())
                         .arg(start.toString(u"HH:mm"_s), end.toString(u"HH:mm"_s), e.description,
                              client ? u" · "_s + client->name : QString()));
    }
    return lines;
}

QString write(TestEnv& env, const QByteArray& bytes) {
    const QString path = env.path() + u"/import.file"_s;
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return path;
}

void sync(AppModel& model) {
    model.syncNow();
    QVERIFY(QTest::qWaitFor([&] { return !model.syncing(); }, 15000));
}

} // namespace

class ImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void files_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("stored"); // or the error, alone
        QTest::newRow("start and end dates and times, a project")
            << "Start date,Start time,End date,End time,Description,Project\n"
               "2026-01-05,09:00:00,2026-01-05,10:30:00,Design,Acme\n"
               "2026-01-05,11:00:00,2026-01-05,11:15:00,Call,acme\n"_ba
            << QStringList{u"5 09:00-10:30 Design · Acme"_s, u"5 11:00-11:15 Call · Acme"_s};
        QTest::newRow("US dates, a duration, a customer, an open row")
            << "Date,Start,Duration,Task,Customer\r\n01/06/2026,9:00 AM,1:30,Review,Beta\r\n"
               "01/06/2026,11:00 AM,,Open,Beta\r\n"_ba
            << QStringList{u"6 09:00-10:30 Review · Beta"_s};
        QTest::newRow("semicolons, past midnight, a line break in quotes")
            << "Day;From;To;Notes\n2026-01-07;23:00;01:00;\"two\nlines\"\n"_ba
            << QStringList{u"7 23:00-01:00 two\nlines"_s};
        QTest::newRow("a bad row refuses the file, by its line")
            << "Date,Start,End,Description\n2026-01-05,09:00,10:00,fine\n\n"
               "2026-01-05,nine,10:00,bad\n"_ba
            << QStringList{u"import.file: line 4: cannot read the start \"nine\""_s};
        QTest::newRow("a report of somebody else's entries is refused")
            << R"({"from":"2026-01-05","to":"2026-01-05","total":60,"entries":[
                  {"id":1,"user_name":"Ada","description":"Mine","started_at":"2026-01-05T08:00:00Z","ended_at":"2026-01-05T08:01:00Z","duration":60},
                  {"id":2,"user_name":"Bob","description":"His","started_at":"2026-01-05T09:00:00Z","ended_at":"2026-01-05T09:01:00Z","duration":60}],
                  "grouped":{"user":[],"client":[],"day":[]}})"_ba
            << QStringList{u"import.file: entry 1 is Bob's, not yours"_s};
    }

    void files() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, stored);
        TestEnv env;
        AppModel model(env.dataDirectory());
        model.store().db().settings.userName = u"Ada"_s;
        model.addClient(u"Acme"_s, std::nullopt);
        const QString path = write(env, file);
        const Importer::Outcome dry = Importer::importFile(model, path, {}, {}, true);
        QCOMPARE(model.store().db().entries.size(), 0);
        const Importer::Outcome done = Importer::importFile(model, path, {}, {}, false);
        QCOMPARE(done.error, dry.error);
        if (done.error) {
            QCOMPARE(QStringList{*done.error}, stored);
            QCOMPARE(model.store().db().entries.size(), 0); // nothing half-done
            return;
        }
        QCOMPARE(::stored(model), stored);
        QVERIFY(dry.summary.startsWith(u"Would import %1 "_s.arg(stored.size())));
        QCOMPARE(Importer::importFile(model, path, {}, {}, false).summary,
                 u"Imported 0 entries, skipped %1 already present, %2 without an end."_s
                     .arg(stored.size())
                     .arg(QTest::currentDataTag() ==
                          "US dates, a duration, a customer, an open row"_L1));
    }

    // Intervals made and exported by the real timew: the annotation, else the
    // tags, describe them; the running one is left out; twice adds nothing.
    void timewarrior() {
        TestEnv env;
        const auto timew = [&env](const QStringList& args) {
            QProcess p;
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            e.insert(u"TIMEWARRIORDB"_s, env.path(u"timew"_s));
            e.insert(u"TZ"_s, u"UTC"_s);
            p.setProcessEnvironment(e);
            p.start(u"timew"_s, args + QStringList{u":yes"_s});
            p.waitForFinished(20000);
            return p.readAllStandardOutput();
        };
        timew({u"track"_s, u"2026-01-05T09:00:00"_s, u"-"_s, u"2026-01-05T10:00:00"_s, u"docs"_s,
               u"write"_s});
        timew({u"track"_s, u"2026-01-05T10:30:00"_s, u"-"_s, u"2026-01-05T11:45:00"_s, u"call"_s});
        timew({u"annotate"_s, u"@1"_s, u"Customer call"_s});
        timew({u"start"_s, u"2026-01-05T12:00:00"_s, u"open"_s});
        AppModel model(env.dataDirectory());
        const QString path = write(env, timew({u"export"_s}));
        Importer::Outcome outcome = Importer::importFile(model, path, {}, u"Acme"_s, false);
        QCOMPARE(
            outcome.summary,
            u"Imported 2 entries (1 new client), skipped 0 already present, 1 without an end."_s);
        QCOMPARE(stored(model), QStringList({u"5 09:00-10:00 docs, write · Acme"_s,
                                             u"5 10:30-11:45 Customer call · Acme"_s}));
        outcome =
            Importer::importFile(model, path, ImportParser::Format::Timewarrior, u"Acme"_s, false);
        QCOMPARE(outcome.summary,
                 u"Imported 0 entries, skipped 2 already present, 1 without an end."_s);
    }

    // Imported on one device, the entries reach the server with the next
    // sync; the same file on a second device of the same person adds nothing.
    void reachesTheServerOnce() {
        ServerFixture f;
        const QByteArray file = "Date,Start,End,Description,Client\n"
                                "2026-01-02,09:00,10:00,Imported one,Acme\n"
                                "2026-01-02,10:00,12:00,Imported two,\n"_ba;
        std::vector<std::unique_ptr<AppModel>> devices;
        for (const QString& name : {u"first"_s, u"second"_s}) {
            devices.push_back(std::make_unique<AppModel>(f.env.path(name)));
            Api::connect(*devices.back());
            devices.back()->setSettings(f.h.baseUrl(), f.ada);
        }
        const QString path = write(f.env, file);
        QVERIFY(!Importer::importFile(*devices[0], path, {}, {}, false).error);
        sync(*devices[0]);
        QCOMPARE(devices[0]->pendingCount(), 0);
        QVERIFY(f.h.storage().clientByName(u"Acme"_s));
        sync(*devices[1]);
        QCOMPARE(stored(*devices[1]).size(), 2);
        QCOMPARE(Importer::importFile(*devices[1], path, {}, {}, false).summary,
                 u"Imported 0 entries, skipped 2 already present, 0 without an end."_s);
    }
};

QTEST_GUILESS_MAIN(ImportTest)
#include "ImportTest.moc"

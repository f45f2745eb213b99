#include "ServerHarness.h"
#include "ServerTime.h"
#include "Storage.h"
#include "TestEnv.h"
#include "reports/Report.h"

#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

// "action=reports": totals, groupings, narrowing and access rules.
class ServerReportTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ServerHarness> m_harness;
    QHash<QString, QString> m_keys;
    QHash<QString, qint64> m_people;
    QHash<QString, qint64> m_clients;
    QHash<QString, qint64> m_entries;

    ServerHarness& h() { return *m_harness; }

    static qint64 at(const QString& iso) { return *ServerTime::parse(iso); }

    void addEntry(const QString& name, const QString& person, const QString& client,
                  const QString& start, std::optional<QString> end,
                  const QStringList& screenshots = {}) {
        ServerEntry e;
        e.userId = m_people.value(person);
        e.ref = name;
        if (!client.isEmpty())
            e.clientId = m_clients.value(client);
        e.description = name;
        e.startedAt = at(start);
        if (end)
            e.endedAt = at(*end);
        e.updatedAt = at(start);
        e.id = h().storage().insertEntry(e);
        if (!screenshots.isEmpty())
            h().storage().setScreenshots(e.id, screenshots);
        m_entries.insert(name, e.id);
    }

    HttpResult report(const QString& person, const QString& from, const QString& to,
                      const QString& extra = QString()) {
        QUrlQuery q;
        q.addQueryItem(u"action"_s, u"reports"_s);
        q.addQueryItem(u"from"_s, from);
        q.addQueryItem(u"to"_s, to);
        QString path = u"/api.php?"_s + q.toString(QUrl::FullyEncoded);
        if (!extra.isEmpty())
            path += u'&' + extra;
        return h().get(path, m_keys.value(person));
    }

    QStringList entryNames(const QJsonObject& report) const {
        QStringList out;
        for (const QJsonValue& v : report.value("entries"_L1).toArray())
            out.append(m_entries.key(v.toObject().value("id"_L1).toInteger()));
        return out;
    }

    static QList<QPair<QString, qint64>> buckets(const QJsonObject& report, const char* group) {
        QList<QPair<QString, qint64>> out;
        for (const QJsonValue& v :
             report.value("grouped"_L1).toObject().value(QLatin1StringView(group)).toArray())
            out.append({v.toObject().value("name"_L1).toString(),
                        v.toObject().value("seconds"_L1).toInteger()});
        return out;
    }

private Q_SLOTS:
    void init() {
        // Server clock: 2026-01-07 12:00 UTC.
        m_env = std::make_unique<TestEnv>(QDateTime(QDate(2026, 1, 7), QTime(12, 0), Qt::UTC));
        m_harness = std::make_unique<ServerHarness>(m_env->path(u"server"_s));
        for (const auto& [name, admin] :
             {std::pair{u"Ada"_s, true}, std::pair{u"Bob"_s, false}, std::pair{u"Cleo"_s, false}}) {
            m_keys.insert(name, h().addPerson(name, admin));
            m_people.insert(name, h().personId(name));
        }
        m_clients.insert(u"Acme"_s, h().storage().createClient(u"Acme"_s, u"#112233"_s, 1, 0).id);
        m_clients.insert(u"Zeta"_s, h().storage().createClient(u"Zeta"_s, u"#445566"_s, 1, 0).id);

        addEntry(u"ada-acme"_s, u"Ada"_s, u"Acme"_s, u"2026-01-05T09:00:00Z"_s,
                 u"2026-01-05T10:00:00Z"_s, {u"2026/01/0123456789abcdef0123456789abcdef.png"_s});
        addEntry(u"ada-none"_s, u"Ada"_s, QString(), u"2026-01-05T13:00:00Z"_s,
                 u"2026-01-05T13:30:00Z"_s);
        addEntry(u"bob-zeta"_s, u"Bob"_s, u"Zeta"_s, u"2026-01-06T08:00:00Z"_s,
                 u"2026-01-06T10:00:00Z"_s);
        addEntry(u"bob-acme"_s, u"Bob"_s, u"Acme"_s, u"2026-01-06T23:30:00Z"_s,
                 u"2026-01-07T00:30:00Z"_s);
        // Running: counts up to the server's now.
        addEntry(u"cleo-run"_s, u"Cleo"_s, u"Zeta"_s, u"2026-01-07T11:00:00Z"_s, std::nullopt);
        // Outside the period on either side.
        addEntry(u"before"_s, u"Ada"_s, u"Acme"_s, u"2026-01-04T23:59:59Z"_s,
                 u"2026-01-05T01:00:00Z"_s);
        addEntry(u"at-end"_s, u"Ada"_s, u"Acme"_s, u"2026-01-08T00:00:00Z"_s,
                 u"2026-01-08T01:00:00Z"_s);
    }

    void cleanup() {
        m_harness.reset();
        m_env.reset();
        m_keys.clear();
        m_people.clear();
        m_clients.clear();
        m_entries.clear();
    }

    void wholeTeamReport() {
        const HttpResult r = report(u"Ada"_s, u"2026-01-05T00:00:00Z"_s, u"2026-01-08T00:00:00Z"_s);
        QCOMPARE(r.status, 200);
        const QJsonObject rep = r.json;
        QCOMPARE(rep.value("from"_L1).toString(), u"2026-01-05T00:00:00Z"_s);
        QCOMPARE(rep.value("to"_L1).toString(), u"2026-01-08T00:00:00Z"_s);
        QCOMPARE(entryNames(rep), (QStringList{u"ada-acme"_s, u"ada-none"_s, u"bob-zeta"_s,
                                               u"bob-acme"_s, u"cleo-run"_s}));
        QCOMPARE(rep.value("total"_L1).toInteger(), 3600 + 1800 + 7200 + 3600 + 3600);

        using Buckets = QList<QPair<QString, qint64>>;
        QCOMPARE(buckets(rep, "user"),
                 (Buckets{{u"Bob"_s, 10800}, {u"Ada"_s, 5400}, {u"Cleo"_s, 3600}}));
        QCOMPARE(buckets(rep, "client"),
                 (Buckets{{u"Zeta"_s, 10800}, {u"Acme"_s, 7200}, {u"No client"_s, 1800}}));
        QCOMPARE(
            buckets(rep, "day"),
            (Buckets{{u"2026-01-05"_s, 5400}, {u"2026-01-06"_s, 10800}, {u"2026-01-07"_s, 3600}}));

        // The client's own decoder reads it.
        const std::optional<Report> decoded = Report::fromJsonBytes(r.body);
        QVERIFY(decoded);
        QCOMPARE(decoded->entries.size(), 5);
        QCOMPARE(decoded->grouped.day.size(), 3);
        QCOMPARE(decoded->entries.first().screenshots->size(), 1);
        QVERIFY(!decoded->entries.at(4).duration);

        const QJsonArray entries = rep.value("entries"_L1).toArray();
        const QJsonObject first = entries.at(0).toObject();
        QCOMPARE(first.value("user_name"_L1).toString(), u"Ada"_s);
        QCOMPARE(first.value("client_name"_L1).toString(), u"Acme"_s);
        QCOMPARE(first.value("client_color"_L1).toString(), u"#112233"_s);
        QCOMPARE(first.value("description"_L1).toString(), u"ada-acme"_s);
        QCOMPARE(first.value("started_at"_L1).toString(), u"2026-01-05T09:00:00Z"_s);
        QCOMPARE(first.value("ended_at"_L1).toString(), u"2026-01-05T10:00:00Z"_s);
        QCOMPARE(first.value("duration"_L1).toInteger(), 3600);
        // Relative to the server address, as the device joins them.
        QCOMPARE(first.value("screenshots"_L1).toArray().at(0).toString(),
                 u"uploads/2026/01/0123456789abcdef0123456789abcdef.png"_s);
        const QJsonObject noClient = entries.at(1).toObject();
        QVERIFY(!noClient.contains("client_name"_L1));
        QVERIFY(!noClient.contains("client_color"_L1));
        const QJsonObject running = entries.at(4).toObject();
        QVERIFY(!running.contains("ended_at"_L1));
        QVERIFY(!running.contains("duration"_L1));
    }

    void daysFollowTheServerTimeZone_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QStringList>("starts");
        QTest::addColumn<QStringList>("days");
        // 23:30 UTC is already the next day in Berlin.
        QTest::newRow("berlin") << "Europe/Berlin"_ba
                                << QStringList{u"2026-01-06T08:00:00Z"_s, u"2026-01-06T23:30:00Z"_s}
                                << QStringList{u"2026-01-06"_s, u"2026-01-07"_s};
        QTest::newRow("new york") << "America/New_York"_ba
                                  << QStringList{u"2026-01-06T04:59:59Z"_s,
                                                 u"2026-01-06T05:00:00Z"_s}
                                  << QStringList{u"2026-01-05"_s, u"2026-01-06"_s};
        // Around the spring clock change the days stay whole days.
        QTest::newRow("berlin summer time")
            << "Europe/Berlin"_ba
            << QStringList{u"2026-03-28T22:59:59Z"_s, u"2026-03-28T23:00:00Z"_s,
                           u"2026-03-29T21:59:59Z"_s, u"2026-03-29T22:00:00Z"_s}
            << QStringList{u"2026-03-28"_s, u"2026-03-29"_s, u"2026-03-29"_s, u"2026-03-30"_s};
        // Midnight itself is skipped in Santiago when summer time begins.
        QTest::newRow("santiago") << "America/Santiago"_ba
                                  << QStringList{u"2026-09-06T03:59:59Z"_s,
                                                 u"2026-09-06T04:00:00Z"_s,
                                                 u"2026-09-07T02:59:59Z"_s,
                                                 u"2026-09-07T03:00:00Z"_s}
                                  << QStringList{u"2026-09-05"_s, u"2026-09-06"_s, u"2026-09-06"_s,
                                                 u"2026-09-07"_s};
    }

    void daysFollowTheServerTimeZone() {
        QFETCH(QByteArray, zone);
        QFETCH(QStringList, starts);
        QFETCH(QStringList, days);
        for (qsizetype i = 0; i < starts.size(); ++i)
            addEntry(u"tz%1"_s.arg(i), u"Cleo"_s, QString(), starts[i],
                     ServerTime::iso(at(starts[i]) + 60));
        TestEnv::setTimeZone(zone);
        const HttpResult r =
            report(u"Ada"_s, starts.first(), ServerTime::iso(at(starts.last()) + 1),
                   u"user_ids=CLEO"_s.replace(u"CLEO"_s, QString::number(m_people[u"Cleo"_s])));
        TestEnv::setTimeZone("UTC");
        QMap<QString, qint64> expected;
        for (const QString& day : days)
            expected[day] += 60;
        QList<QPair<QString, qint64>> wanted;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            wanted.append({it.key(), it.value()});
        QCOMPARE(buckets(r.json, "day"), wanted);
    }

    void textsSurviveTheJson() {
        const QString tricky = u"Quote \" backslash \\ tab\t newline\n bell\u0007 "
                               "\u00e9\u4e2d\U0001F600 </script> \u2028"_s;
        h().storage().createUser(u"Zo\u00eb \"Z\""_s, false, "zkey", 0);
        const qint64 zoe = h().storage().userByKeyHash("zkey")->id;
        ServerEntry e;
        e.userId = zoe;
        e.ref = u"tricky"_s;
        e.description = tricky;
        e.startedAt = at(u"2026-01-05T12:00:00Z"_s);
        e.endedAt = e.startedAt + 60;
        e.updatedAt = e.startedAt;
        const qint64 id = h().storage().insertEntry(e);
        const HttpResult r = report(u"Ada"_s, u"2026-01-05T00:00:00Z"_s, u"2026-01-06T00:00:00Z"_s,
                                    u"user_ids=%1"_s.arg(zoe));
        QCOMPARE(r.status, 200);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.body, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject entry = doc.object().value("entries"_L1).toArray().at(0).toObject();
        QCOMPARE(entry.value("id"_L1).toInteger(), id);
        QCOMPARE(entry.value("description"_L1).toString(), tricky);
        QCOMPARE(entry.value("user_name"_L1).toString(), u"Zo\u00eb \"Z\""_s);
        QVERIFY(!entry.contains("screenshots"_L1));
    }

    void narrowing_data() {
        QTest::addColumn<QString>("caller");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one person")
            << u"Ada"_s << u"user_ids=BOB"_s << QStringList{u"bob-zeta"_s, u"bob-acme"_s};
        QTest::newRow("two people") << u"Ada"_s << u"user_ids=BOB,CLEO"_s
                                    << QStringList{u"bob-zeta"_s, u"bob-acme"_s, u"cleo-run"_s};
        QTest::newRow("one client")
            << u"Ada"_s << u"client_ids=ACME"_s << QStringList{u"ada-acme"_s, u"bob-acme"_s};
        QTest::newRow("person and client")
            << u"Ada"_s << u"user_ids=BOB&client_ids=ZETA"_s << QStringList{u"bob-zeta"_s};
        QTest::newRow("encoded commas")
            << u"Ada"_s << u"client_ids=ACME%2CZETA"_s
            << QStringList{u"ada-acme"_s, u"bob-zeta"_s, u"bob-acme"_s, u"cleo-run"_s};
        QTest::newRow("unknown ids") << u"Ada"_s << u"user_ids=999"_s << QStringList{};
        QTest::newRow("member sees own only")
            << u"Bob"_s << QString() << QStringList{u"bob-zeta"_s, u"bob-acme"_s};
        QTest::newRow("member asking for others")
            << u"Bob"_s << u"user_ids=ADA,CLEO"_s << QStringList{u"bob-zeta"_s, u"bob-acme"_s};
        QTest::newRow("member narrowing by client")
            << u"Bob"_s << u"client_ids=ACME"_s << QStringList{u"bob-acme"_s};
    }

    void narrowing() {
        QFETCH(QString, caller);
        QFETCH(QString, extra);
        QFETCH(QStringList, expected);
        extra.replace(u"ADA"_s, QString::number(m_people[u"Ada"_s]));
        extra.replace(u"BOB"_s, QString::number(m_people[u"Bob"_s]));
        extra.replace(u"CLEO"_s, QString::number(m_people[u"Cleo"_s]));
        extra.replace(u"ACME"_s, QString::number(m_clients[u"Acme"_s]));
        extra.replace(u"ZETA"_s, QString::number(m_clients[u"Zeta"_s]));
        const HttpResult r =
            report(caller, u"2026-01-05T00:00:00Z"_s, u"2026-01-08T00:00:00Z"_s, extra);
        QCOMPARE(r.status, 200);
        QCOMPARE(entryNames(r.json), expected);
        qint64 sum = 0;
        for (const auto& [name, seconds] : buckets(r.json, "user"))
            sum += seconds;
        QCOMPARE(sum, r.json.value("total"_L1).toInteger());
    }

    void badRequests_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("extra");
        QTest::newRow("no from") << QString() << u"2026-01-08T00:00:00Z"_s << QString();
        QTest::newRow("bad to") << u"2026-01-05T00:00:00Z"_s << u"tomorrow"_s << QString();
        QTest::newRow("to before from")
            << u"2026-01-08T00:00:00Z"_s << u"2026-01-05T00:00:00Z"_s << QString();
        QTest::newRow("bad user ids")
            << u"2026-01-05T00:00:00Z"_s << u"2026-01-08T00:00:00Z"_s << u"user_ids=1,x"_s;
        QTest::newRow("bad client ids")
            << u"2026-01-05T00:00:00Z"_s << u"2026-01-08T00:00:00Z"_s << u"client_ids=1.5"_s;
    }

    void badRequests() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, extra);
        const HttpResult r = report(u"Ada"_s, from, to, extra);
        QCOMPARE(r.status, 400);
        QVERIFY(!r.error().isEmpty());
    }

    void emptyPeriod() {
        const HttpResult r = report(u"Ada"_s, u"2030-01-01T00:00:00Z"_s, u"2030-01-01T00:00:00Z"_s);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.json.value("total"_L1).toInteger(), 0);
        QVERIFY(r.json.value("entries"_L1).toArray().isEmpty());
        for (const char* group : {"user", "client", "day"})
            QVERIFY(
                r.json.value("grouped"_L1).toObject().value(QLatin1StringView(group)).isArray());
    }
};

QTEST_MAIN(ServerReportTest)
#include "ServerReportTest.moc"

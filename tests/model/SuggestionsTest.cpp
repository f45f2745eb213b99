#include "model/Suggestions.h"
#include "TestEnv.h"
#include "model/AppModel.h"
#include "model/Colors.h"
#include "model/Theme.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

TaskSuggestion task(const QString& description, std::optional<qint64> clientId = std::nullopt,
                    std::optional<QString> clientName = std::nullopt,
                    std::optional<QString> clientColor = std::nullopt) {
    TaskSuggestion t;
    t.description = description;
    t.uses = 1;
    t.clientId = clientId;
    t.clientName = std::move(clientName);
    t.clientColor = std::move(clientColor);
    return t;
}

Entry entry(const QString& description, const QString& startedAt,
            std::optional<QString> clientId = std::nullopt, bool deleted = false) {
    static int counter = 0;
    Entry e;
    e.id = u"e"_s + QString::number(++counter);
    e.description = description;
    e.startedAt = startedAt;
    e.endedAt = startedAt;
    e.clientId = std::move(clientId);
    e.deleted = deleted;
    e.updatedAt = startedAt;
    return e;
}

Client client(const QString& id, const QString& name, const QString& color,
              std::optional<qint64> serverId = std::nullopt, bool archived = false) {
    Client c;
    c.id = id;
    c.name = name;
    c.color = color;
    c.serverId = serverId;
    c.archived = archived;
    return c;
}

QStringList descriptions(const QList<Suggestion>& list) {
    QStringList out;
    for (const Suggestion& s : list)
        out << s.description;
    return out;
}

QColor hex(const char* text) {
    return *colorFromHex(QString::fromLatin1(text));
}

// The start time of the n-th hour of 5 January 2026.
QString at(int hour, int minute = 0) {
    return u"2026-01-05T%1:%2:00Z"_s.arg(hour, 2, 10, QChar(u'0')).arg(minute, 2, 10, QChar(u'0'));
}

} // namespace

// The composer's suggestion list: the server's tasks or the local entries,
// filtered, de-duplicated, prefix matches first, at most eight.
class SuggestionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nothingToSuggest_data() {
        QTest::addColumn<QString>("query");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << u"  \t"_s;
        QTest::newRow("text") << u"report"_s;
    }

    void nothingToSuggest() {
        QFETCH(QString, query);
        Db db;
        db.clients = {client(u"c1"_s, u"Acme"_s, u"#FAAF3B"_s, 1)};
        QVERIFY(Suggestions::forText(db, query).isEmpty());
    }

    void tasksReplaceLocalEntries_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no match among tasks") << u"local"_s << QStringList{};
        QTest::newRow("blank query") << QString() << QStringList{u"Server task"_s};
        QTest::newRow("match among tasks") << u"server"_s << QStringList{u"Server task"_s};
    }

    void tasksReplaceLocalEntries() {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        Db db;
        db.entries = {entry(u"Local work"_s, at(9))};
        db.tasks = {task(u"Server task"_s)};
        QCOMPARE(descriptions(Suggestions::forText(db, query)), expected);
        db.tasks.clear();
        QCOMPARE(descriptions(Suggestions::forText(db, u"local"_s)), QStringList{u"Local work"_s});
    }

    void filterAndOrder_data() {
        QTest::addColumn<QStringList>("tasks"); // "description|client name"
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");

        const QStringList reports{u"Weekly report"_s, u"Report review"_s, u"Prep slides"_s};
        QTest::newRow("rep: prefix first, rest in order")
            << reports << u"rep"_s
            << QStringList{u"Report review"_s, u"Weekly report"_s, u"Prep slides"_s};
        QTest::newRow("query lower-cased")
            << reports << u"REP"_s
            << QStringList{u"Report review"_s, u"Weekly report"_s, u"Prep slides"_s};
        QTest::newRow("query trimmed of spaces and tabs")
            << reports << u" \trep  "_s
            << QStringList{u"Report review"_s, u"Weekly report"_s, u"Prep slides"_s};
        QTest::newRow("newlines are not trimmed") << reports << u"rep\n"_s << QStringList{};
        QTest::newRow("substring only") << reports << u"view"_s << QStringList{u"Report review"_s};
        QTest::newRow("no match") << reports << u"xyz"_s << QStringList{};
        QTest::newRow("blank query keeps pool order") << reports << u"   "_s << reports;
        QTest::newRow("empty query keeps pool order") << reports << QString() << reports;
        QTest::newRow("case duplicates: first kept")
            << QStringList{u"Design"_s, u"design"_s, u"DESIGN work"_s, u"DESIGN"_s} << QString()
            << QStringList{u"Design"_s, u"DESIGN work"_s};
        QTest::newRow("case duplicates under a query")
            << QStringList{u"design"_s, u"Design"_s} << u"des"_s << QStringList{u"design"_s};
        QTest::newRow("stable within both groups")
            << QStringList{u"a b"_s, u"b a"_s, u"c b"_s, u"b c"_s, u"bb"_s} << u"b"_s
            << QStringList{u"b a"_s, u"b c"_s, u"bb"_s, u"a b"_s, u"c b"_s};
        QTest::newRow("client name match")
            << QStringList{u"Standup|Acme"_s, u"Invoices|Globex"_s, u"Retro|Acme Labs"_s, u"Misc"_s}
            << u"acme"_s << QStringList{u"Standup"_s, u"Retro"_s};
        QTest::newRow("client name matches do not count as prefix")
            << QStringList{u"Planning|Acme"_s, u"acme rollout"_s} << u"acme"_s
            << QStringList{u"acme rollout"_s, u"Planning"_s};
        QTest::newRow("same text, only second client matches")
            << QStringList{u"Standup|Acme"_s, u"Standup|Globex"_s} << u"glob"_s
            << QStringList{u"Standup"_s};

        QStringList many;
        for (int i = 0; i < 6; ++i)
            many << u"old task %1"_s.arg(i) << u"task %1"_s.arg(i);
        QTest::newRow("eight after reordering")
            << many << u"task"_s
            << QStringList{u"task 0"_s, u"task 1"_s, u"task 2"_s,     u"task 3"_s,
                           u"task 4"_s, u"task 5"_s, u"old task 0"_s, u"old task 1"_s};
        QTest::newRow("eight of a blank query") << many << QString() << many.mid(0, 8);
        QTest::newRow("exactly eight")
            << many.mid(0, 8) << u"task"_s
            << QStringList{u"task 0"_s,     u"task 1"_s,     u"task 2"_s,     u"task 3"_s,
                           u"old task 0"_s, u"old task 1"_s, u"old task 2"_s, u"old task 3"_s};
    }

    void filterAndOrder() {
        QFETCH(QStringList, tasks);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        Db db;
        for (const QString& t : tasks) {
            const QStringList parts = t.split(u'|');
            db.tasks.append(
                task(parts[0], std::nullopt,
                     parts.size() > 1 ? std::optional<QString>(parts[1]) : std::nullopt));
        }
        const QList<Suggestion> got = Suggestions::forText(db, query);
        QCOMPARE(descriptions(got), expected);
        if (query == u"glob"_s)
            QCOMPARE(got[0].clientName, std::optional<QString>(u"Globex"_s));
    }

    void taskClientAndColour() {
        Db db;
        db.clients = {
            client(u"local-7"_s, u"Acme Local"_s, u"#22c55e"_s, 7),
            client(u"dup-7"_s, u"Acme Duplicate"_s, u"#ef4444"_s, 7),
            client(u"7"_s, u"No server id"_s, u"#3b82f6"_s),
            client(u"local-8"_s, u"Unreadable"_s, u"not a colour"_s, 8),
        };
        db.tasks = {
            task(u"  padded  "_s, 7, std::nullopt, u"#f97316"_s), // task colour wins
            task(u"B"_s, 7, u"Server name"_s, u"nonsense"_s),     // falls back to local
            task(u"C"_s, 7, std::nullopt, u""_s),                 // empty: local
            task(u"D"_s, 8, std::nullopt, u"bad"_s),              // both unreadable
            task(u"E"_s, 99, u"Gone"_s, u"#a855f7"_s),            // no local client
            task(u"F"_s, 99, std::nullopt, std::nullopt),         // nothing at all
            task(u"G"_s, std::nullopt, std::nullopt, u"#0ea5e9"_s),
        };
        const QList<Suggestion> got = Suggestions::forText(db, QString());
        QCOMPARE(got.size(), 7);

        QCOMPARE(got[0].description, u"  padded  "_s); // stored text, not trimmed
        QCOMPARE(got[0].clientId, std::optional<QString>(u"local-7"_s));
        QCOMPARE(got[0].clientName, std::optional<QString>(u"Acme Local"_s));
        QCOMPARE(got[0].color, hex("#f97316"));

        QCOMPARE(got[1].clientId, std::optional<QString>(u"local-7"_s));
        QCOMPARE(got[1].clientName, std::optional<QString>(u"Server name"_s));
        QCOMPARE(got[1].color, hex("#22c55e"));

        QCOMPARE(got[2].color, hex("#22c55e"));

        QCOMPARE(got[3].clientId, std::optional<QString>(u"local-8"_s));
        QCOMPARE(got[3].color, Theme::accentDeep());

        QCOMPARE(got[4].clientId, std::nullopt);
        QCOMPARE(got[4].clientName, std::optional<QString>(u"Gone"_s));
        QCOMPARE(got[4].color, hex("#a855f7"));

        QCOMPARE(got[5].clientId, std::nullopt);
        QCOMPARE(got[5].clientName, std::nullopt);
        QCOMPARE(got[5].color, Theme::accentDeep());

        QCOMPARE(got[6].clientId, std::nullopt);
        QCOMPARE(got[6].color, hex("#0ea5e9"));

        // The local client's name makes a task findable too.
        QCOMPARE(descriptions(Suggestions::forText(db, u"acme loc"_s)),
                 (QStringList{u"  padded  "_s, u"C"_s}));
    }

    void localPoolNewestFirst() {
        Db db;
        db.clients = {client(u"a"_s, u"Client A"_s, u"#ef4444"_s),
                      client(u"b"_s, u"Client B"_s, u"#3b82f6"_s, std::nullopt, true)};
        db.entries = {
            entry(u"Design"_s, at(8), u"a"_s),
            entry(u"design \t"_s, at(10), u"b"_s),      // newer: represents "design"
            entry(u"Unparsable start"_s, u"someday"_s), // earliest of all
            entry(u"  \t "_s, at(12)),                  // blank: skipped
            entry(u"Deleted newest"_s, at(13), u"a"_s, true),
            entry(u"Same start first"_s, at(11)),
            entry(u"Same start second"_s, at(11), u"missing"_s),
            entry(u"Fraction"_s, u"2026-01-05T10:00:00.500Z"_s, u"a"_s),
        };
        const QList<Suggestion> got = Suggestions::forText(db, QString());
        QCOMPARE(descriptions(got),
                 (QStringList{u"Same start first"_s, u"Same start second"_s, u"Fraction"_s,
                              u"design"_s, u"Unparsable start"_s}));

        const Suggestion& design = got[3];
        QCOMPARE(design.clientId, std::optional<QString>(u"b"_s));
        QCOMPARE(design.clientName, std::optional<QString>(u"Client B"_s)); // archived still named
        QCOMPARE(design.color, hex("#3b82f6"));

        const Suggestion& unknownClient = got[1];
        QCOMPARE(unknownClient.clientId, std::optional<QString>(u"missing"_s));
        QCOMPARE(unknownClient.clientName, std::nullopt);
        QCOMPARE(unknownClient.color, Theme::accentDeep());

        QCOMPARE(got[0].clientId, std::nullopt);
        QCOMPARE(got[0].color, Theme::accentDeep());
        QCOMPARE(got[2].color, hex("#ef4444"));
    }

    void localPoolQueryAndLimit() {
        Db db;
        db.clients = {client(u"a"_s, u"Acme"_s, u"not readable"_s)};
        for (int i = 0; i < 12; ++i)
            db.entries.append(entry(u"Task %1"_s.arg(i), at(i),
                                    i % 2 ? std::optional<QString>(u"a"_s) : std::nullopt));
        const QList<Suggestion> all = Suggestions::forText(db, QString());
        QCOMPARE(all.size(), 8);
        QCOMPARE(all.first().description, u"Task 11"_s);
        QCOMPARE(all.last().description, u"Task 4"_s);

        const QList<Suggestion> byClient = Suggestions::forText(db, u"ACME"_s);
        QCOMPARE(descriptions(byClient), (QStringList{u"Task 11"_s, u"Task 9"_s, u"Task 7"_s,
                                                      u"Task 5"_s, u"Task 3"_s, u"Task 1"_s}));
        QCOMPARE(byClient[0].color, Theme::accentDeep()); // unreadable client colour

        QCOMPARE(descriptions(Suggestions::forText(db, u"task 1"_s)),
                 (QStringList{u"Task 11"_s, u"Task 10"_s, u"Task 1"_s}));
    }

    void modelGivesTheSameList() {
        TestEnv env;
        AppModel model(env.dataDirectory());
        Db& db = model.store().db();
        db.clients = {client(u"a"_s, u"Acme"_s, u"#ef4444"_s, 3)};
        db.entries = {entry(u"Local"_s, at(9), u"a"_s)};
        QCOMPARE(model.suggestions(u"loc"_s), Suggestions::forText(db, u"loc"_s));
        QCOMPARE(model.suggestions(u"loc"_s).size(), 1);
        db.tasks = {task(u"Remote"_s, 3)};
        QCOMPARE(model.suggestions(QString()), Suggestions::forText(db, QString()));
        QCOMPARE(model.suggestions(QString())[0].clientId, std::optional<QString>(u"a"_s));
    }
};

QTEST_GUILESS_MAIN(SuggestionsTest)
#include "SuggestionsTest.moc"

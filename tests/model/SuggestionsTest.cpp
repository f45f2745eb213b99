#include "model/Suggestions.h"
#include "model/Theme.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Client client(const QString& id, const QString& name, const QString& color,
              std::optional<qint64> serverId = std::nullopt) {
    Client c;
    c.id = id;
    c.name = name;
    c.color = color;
    c.serverId = serverId;
    return c;
}

// A local entry started at the given hour of 5 January 2026 ("x" for an
// unreadable start).
Entry entry(const QString& description, const QString& hour,
            std::optional<QString> clientId = std::nullopt, bool deleted = false) {
    Entry e;
    e.id = description + hour;
    e.description = description;
    e.startedAt = u"2026-01-05T%1:00:00Z"_s.arg(hour);
    e.clientId = std::move(clientId);
    e.deleted = deleted;
    return e;
}

QStringList descriptions(const QList<Suggestion>& list) {
    QStringList out;
    for (const Suggestion& s : list)
        out << s.description;
    return out;
}

} // namespace

// The composer's suggestion list: the server's tasks or the local entries,
// filtered, de-duplicated, prefix matches first, at most eight.
class SuggestionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filterAndOrder_data() {
        QTest::addColumn<QStringList>("tasks"); // "description|client name"
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");

        const QStringList reports{u"Weekly report"_s, u"Report review"_s, u"Prep slides"_s};
        QTest::newRow("prefix first, then the rest in order")
            << reports << u" \tREP "_s
            << QStringList{u"Report review"_s, u"Weekly report"_s, u"Prep slides"_s};
        QTest::newRow("newlines are not trimmed") << reports << u"rep\n"_s << QStringList{};
        QTest::newRow("blank query keeps the order") << reports << u"  "_s << reports;
        QTest::newRow("case duplicates: first kept")
            << QStringList{u"Design"_s, u"design"_s, u"DESIGN work"_s} << u"des"_s
            << QStringList{u"Design"_s, u"DESIGN work"_s};
        QTest::newRow("client name matches, not as prefix")
            << QStringList{u"Planning|Acme"_s, u"Invoices|Globex"_s, u"acme rollout"_s} << u"acme"_s
            << QStringList{u"acme rollout"_s, u"Planning"_s};
        QTest::newRow("same text, second client matches")
            << QStringList{u"Standup|Acme"_s, u"Standup|Globex"_s} << u"glob"_s
            << QStringList{u"Standup"_s};

        QStringList nine;
        for (int i = 0; i < 9; ++i)
            nine << u"old task %1"_s.arg(i);
        QTest::newRow("nine give eight") << nine << QString() << nine.mid(0, 8);
        QTest::newRow("eight give eight") << nine.mid(0, 8) << u"task"_s << nine.mid(0, 8);
        QTest::newRow("eight after reordering") << (nine + QStringList{u"task"_s}) << u"task"_s
                                                << (QStringList{u"task"_s} + nine.mid(0, 7));
    }

    void filterAndOrder() {
        QFETCH(QStringList, tasks);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        Db db;
        db.entries = {entry(u"Local work"_s, u"09"_s)}; // ignored while there are tasks
        for (const QString& t : tasks) {
            TaskSuggestion task;
            task.description = t.section(u'|', 0, 0);
            if (t.contains(u'|'))
                task.clientName = t.section(u'|', 1);
            db.tasks.append(task);
        }
        const QList<Suggestion> got = Suggestions::forText(db, query);
        QCOMPARE(descriptions(got), expected);
        if (query == u"glob"_s)
            QCOMPARE(got[0].clientName, std::optional<QString>(u"Globex"_s));
    }

    void taskClientAndColour() {
        Db db;
        db.clients = {client(u"local-7"_s, u"Acme Local"_s, u"#22c55e"_s, 7),
                      client(u"dup-7"_s, u"Duplicate"_s, u"#ef4444"_s, 7),
                      client(u"local-8"_s, u"Unreadable"_s, u"not a colour"_s, 8)};
        const auto task = [&db](std::optional<qint64> id, std::optional<QString> name,
                                std::optional<QString> color) {
            TaskSuggestion t;
            t.description = u"T%1"_s.arg(db.tasks.size());
            t.clientId = id;
            t.clientName = std::move(name);
            t.clientColor = std::move(color);
            db.tasks.append(t);
        };
        task(7, std::nullopt, u"#f97316"_s);      // the task's colour wins
        task(7, u"Server name"_s, u"nonsense"_s); // falls back to the local colour
        task(8, std::nullopt, u"bad"_s);          // both unreadable
        task(99, u"Gone"_s, std::nullopt);        // no local client
        const QList<Suggestion> got = Suggestions::forText(db, QString());
        QCOMPARE(got.size(), 4);
        QCOMPARE(got[0].clientId, std::optional<QString>(u"local-7"_s));
        QCOMPARE(got[0].clientName, std::optional<QString>(u"Acme Local"_s));
        QCOMPARE(got[0].color, QColor(0xf9, 0x73, 0x16));
        QCOMPARE(got[1].clientName, std::optional<QString>(u"Server name"_s));
        QCOMPARE(got[1].color, QColor(0x22, 0xc5, 0x5e));
        QCOMPARE(got[2].color, Theme::accentDeep());
        QCOMPARE(got[3].clientId, std::nullopt);
        QCOMPARE(got[3].clientName, std::optional<QString>(u"Gone"_s));
        QCOMPARE(descriptions(Suggestions::forText(db, u"acme loc"_s)), QStringList{u"T0"_s});
    }

    void localEntriesNewestFirst() {
        Db db;
        db.clients = {client(u"a"_s, u"Client A"_s, u"#ef4444"_s)};
        db.entries = {
            entry(u"Design"_s, u"08"_s, u"a"_s),
            entry(u"design \t"_s, u"10"_s),       // newer: stands for both
            entry(u"Unreadable start"_s, u"x"_s), // oldest of all
            entry(u"  \t "_s, u"12"_s),           // blank: skipped
            entry(u"Deleted"_s, u"13"_s, u"a"_s, true),
            entry(u"Same start first"_s, u"11"_s, u"a"_s),
            entry(u"Same start second"_s, u"11"_s, u"missing"_s),
        };
        const QList<Suggestion> got = Suggestions::forText(db, QString());
        QCOMPARE(descriptions(got), (QStringList{u"Same start first"_s, u"Same start second"_s,
                                                 u"design"_s, u"Unreadable start"_s}));
        QCOMPARE(got[0].clientName, std::optional<QString>(u"Client A"_s));
        QCOMPARE(got[0].color, QColor(0xef, 0x44, 0x44));
        QCOMPARE(got[1].clientId, std::optional<QString>(u"missing"_s));
        QCOMPARE(got[1].color, Theme::accentDeep());
        QCOMPARE(descriptions(Suggestions::forText(db, u"client a"_s)),
                 QStringList{u"Same start first"_s});
    }
};

QTEST_GUILESS_MAIN(SuggestionsTest)
#include "SuggestionsTest.moc"

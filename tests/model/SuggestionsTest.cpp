#include "model/Suggestions.h"
#include "model/Colors.h"
#include "model/Theme.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Client client(const QString& id, std::optional<qint64> serverId, const QString& name,
              const QString& color) {
    Client c;
    c.id = id;
    c.serverId = serverId;
    c.name = name;
    c.color = color;
    return c;
}

TaskSuggestion task(const QString& description, qint64 clientId, std::optional<QString> clientName,
                    std::optional<QString> clientColor) {
    TaskSuggestion t;
    t.description = description;
    t.clientId = clientId;
    t.clientName = std::move(clientName);
    t.clientColor = std::move(clientColor);
    return t;
}

// A local entry started at an hour of 5 January 2026 ("x": unreadable).
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

// "description client-id client-name colour", "-" for what is absent.
QStringList lines(const QList<Suggestion>& list) {
    QStringList out;
    for (const Suggestion& s : list)
        out << QStringList{s.description, s.clientId.value_or(u"-"_s),
                           s.clientName.value_or(u"-"_s), s.color.name()}
                   .join(u' ');
    return out;
}

} // namespace

// The composer's suggestion list (the server's tasks or the local entries,
// filtered, de-duplicated, prefix matches first, at most eight), client colour
// text, and how the dark appearance is chosen.
class SuggestionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filterAndOrder_data() {
        QTest::addColumn<QStringList>("tasks"); // "description|client name", also in "expected"
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");

        const QStringList reports{u"Weekly report"_s, u"Report review"_s, u"Prep slides"_s};
        QTest::newRow("prefix first, then the rest in order")
            << reports << u" \tREP "_s
            << QStringList{u"Report review"_s, u"Weekly report"_s, u"Prep slides"_s};
        QTest::newRow("case duplicates: first kept")
            << QStringList{u"Design"_s, u"design"_s, u"DESIGN work"_s} << u"des"_s
            << QStringList{u"Design"_s, u"DESIGN work"_s};
        QTest::newRow("client name matches, not as prefix")
            << QStringList{u"Planning|Acme"_s, u"Invoices|Globex"_s, u"acme rollout"_s} << u"acme"_s
            << QStringList{u"acme rollout"_s, u"Planning|Acme"_s};
        QTest::newRow("same text, second client matches")
            << QStringList{u"Standup|Acme"_s, u"Standup|Globex"_s} << u"glob"_s
            << QStringList{u"Standup|Globex"_s};

        QStringList nine;
        for (int i = 0; i < 9; ++i)
            nine << u"old task %1"_s.arg(i);
        QTest::newRow("nine give eight") << nine << QString() << nine.mid(0, 8);
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
        QStringList got;
        for (const Suggestion& s : Suggestions::forText(db, query))
            got << s.description + (s.clientName ? u'|' + *s.clientName : QString());
        QCOMPARE(got, expected);
    }

    void taskClientAndColour() {
        Db db;
        db.clients = {client(u"l7"_s, 7, u"Acme"_s, u"#22c55e"_s),
                      client(u"dup"_s, 7, u"Dup"_s, u"#ef4444"_s),
                      client(u"l8"_s, 8, u"Bad"_s, u"bad"_s)};
        // A readable task colour wins, then the local client's; names likewise.
        db.tasks = {
            task(u"T0"_s, 7, std::nullopt, u"#f97316"_s), task(u"T1"_s, 7, u"Srv"_s, std::nullopt),
            task(u"T2"_s, 8, std::nullopt, u"bad"_s), task(u"T3"_s, 99, u"Gone"_s, std::nullopt)};
        const QString deep = Theme::accentDeep().name();
        QCOMPARE(lines(Suggestions::forText(db, QString())),
                 (QStringList{u"T0 l7 Acme #f97316"_s, u"T1 l7 Srv #22c55e"_s,
                              u"T2 l8 Bad "_s + deep, u"T3 - Gone "_s + deep}));
        QCOMPARE(lines(Suggestions::forText(db, u"acm"_s)).size(), 1);
    }

    void localEntriesNewestFirst() {
        Db db;
        db.clients = {client(u"a"_s, std::nullopt, u"Client A"_s, u"#ef4444"_s)};
        db.entries = {
            entry(u"Design"_s, u"08"_s, u"a"_s),
            entry(u"design \t"_s, u"10"_s),       // newer: stands for both
            entry(u"Unreadable start"_s, u"x"_s), // oldest of all
            entry(u"  \t "_s, u"12"_s),           // blank: skipped
            entry(u"Deleted"_s, u"13"_s, u"a"_s, true),
            entry(u"Same start first"_s, u"11"_s, u"a"_s),
            entry(u"Same start second"_s, u"11"_s, u"missing"_s),
        };
        const QString deep = Theme::accentDeep().name();
        QCOMPARE(lines(Suggestions::forText(db, QString())),
                 (QStringList{u"Same start first a Client A #ef4444"_s,
                              u"Same start second missing - "_s + deep, u"design - - "_s + deep,
                              u"Unreadable start - - "_s + deep}));
    }
    void hexText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // null: refused

        QTest::newRow("blanks, no hash") << u"  F97316 \n"_s << u"#f97316"_s;
        QTest::newRow("hash, upper case") << u"\t#FAAF3B"_s << u"#faaf3b"_s;
        QTest::newRow("three digits") << u"#abc"_s << QString();
        QTest::newRow("five digits") << u"FAAF3"_s << QString();
        QTest::newRow("seven digits") << u"#FAAF3B0"_s << QString();
        QTest::newRow("non-hex") << u"#f9731g"_s << QString();
        QTest::newRow("two hashes") << u"##f9731"_s << QString();
        QTest::newRow("0x prefix") << u"0x1234"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void hexText() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(normalizeHex(text), expected.isNull() ? std::nullopt : std::optional(expected));
        const std::optional<QColor> color = colorFromHex(text);
        QCOMPARE(color.has_value(), !expected.isNull());
        if (color)
            QCOMPARE(color->name(QColor::HexArgb), u"#ff"_s + expected.mid(1));
    }

    // Dark below the middle grey; an override wins until it is lifted.
    void darknessFollowsPalette() {
        const QPalette original = QGuiApplication::palette();
        for (const int lightness : {127, 128}) {
            const bool dark = lightness < 128;
            QPalette palette = original;
            palette.setColor(QPalette::Window, QColor(lightness, lightness, lightness));
            QGuiApplication::setPalette(palette);
            QCOMPARE(Theme::isDark(), dark);
            Theme::setDarkOverride(!dark);
            QCOMPARE(Theme::isDark(), !dark);
            Theme::setDarkOverride(std::nullopt);
            QCOMPARE(Theme::isDark(), dark);
        }
        QGuiApplication::setPalette(original);
    }
};

QTEST_MAIN(SuggestionsTest)
#include "SuggestionsTest.moc"

#include "ui/admin/AdminText.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The rules the client and people overlays show, without widgets.
class AdminTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void personLabel_data() {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<qint64>("self");
        QTest::addColumn<QString>("label");
        QTest::newRow("own admin row") << true << qint64(7) << u"Ada (you)  · admin"_s;
        QTest::newRow("someone else") << false << qint64(8) << u"Ada"_s;
        QTest::newRow("not signed in") << true << qint64(-1) << u"Ada  · admin"_s;
    }
    void personLabel() {
        QFETCH(bool, admin);
        QFETCH(qint64, self);
        QFETCH(QString, label);
        const ReportUser ada{7, u"Ada"_s, admin, true, std::nullopt};
        QCOMPARE(AdminText::personLabel(ada, self < 0 ? std::nullopt : std::optional(self)), label);
    }

    // Typed colours become lower-case "#rrggbb"; palette picks keep the
    // palette's spelling; both count as the same colour.
    void colours_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("bare, lower") << u"faaf3b"_s << u"#faaf3b"_s;
        QTest::newRow("blanks, upper") << u" #FAAF3B "_s << u"#faaf3b"_s;
        QTest::newRow("short") << u"#faf"_s << QString();
        QTest::newRow("not hex") << u"#faaf3g"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void colours() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        const AdminText::HexEntry entry = AdminText::hexEntry(typed);
        QCOMPARE(entry.color.value_or(QString()), stored);
        QCOMPARE(entry.error, stored.isEmpty() ? u"Use a hex colour like #F97316."_s : QString());
        QCOMPARE(AdminText::paletteColor(0), u"#FAAF3B"_s);
        if (entry.color)
            QVERIFY(AdminText::sameColor(*entry.color, *AdminText::paletteColor(0)));
        QVERIFY(!AdminText::sameColor(u"#faaf3b"_s, *AdminText::paletteColor(15)));
        QVERIFY(!AdminText::paletteColor(16) && !AdminText::paletteColor(-1));
    }

    void names() {
        QCOMPARE(AdminText::nameError(u" \t "_s), u"Please enter a name."_s);
        QCOMPARE(AdminText::nameError(u" Eve "_s), std::nullopt);
    }

    // A list that loads late clears only its own "Loading…".
    void statusLines() {
        QCOMPARE(AdminText::statusAfterLoad(u"Loading…"_s), QString());
        QCOMPARE(AdminText::statusAfterLoad(u"Adding…"_s), u"Adding…"_s);
        QCOMPARE(AdminText::statusAfterLoad(u"Please enter a name."_s), u"Please enter a name."_s);
        ReportUser eve{3, u"Eve"_s, false, true, u"k"_s};
        QCOMPARE(AdminText::addedStatus(eve), u"Added Eve — API key copied, send it to them."_s);
        eve.apiKey = u""_s;
        QCOMPARE(AdminText::addedStatus(eve), u"Added Eve."_s);
    }
};

QTEST_GUILESS_MAIN(AdminTextTest)
#include "AdminTextTest.moc"

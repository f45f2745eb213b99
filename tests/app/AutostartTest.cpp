#include "app/Autostart.h"
#include "TestEnv.h"
#include "app/TrayMenu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

// "Start at login": the autostart entry written, quoted and removed.
class AutostartTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writtenAndRemoved() {
        TestEnv env;
        QVERIFY(Autostart::path().startsWith(env.path() + u"/config/autostart/"_s));
        QVERIFY(!Autostart::isEnabled());
        QCOMPARE(Autostart::setEnabled(true, u"/opt/Zevra Tikit.app/bin/zevra-tikit"_s),
                 std::nullopt);
        QVERIFY(Autostart::isEnabled());
        QFile file(Autostart::path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\nExec=\"/opt/Zevra Tikit.app/bin/zevra-tikit\"\n"));
        QCOMPARE(Autostart::setEnabled(false, QString()), std::nullopt);
        QVERIFY(!Autostart::isEnabled());
        QCOMPARE(Autostart::setEnabled(false, QString()), std::nullopt); // already off
        // Outside a bundle it starts this very program; a folder it cannot make is said.
        QCOMPARE(Autostart::currentExecutable(), QCoreApplication::applicationFilePath());
        const QString folder = QFileInfo(Autostart::path()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively() && QFile(folder).open(QIODevice::WriteOnly));
        QVERIFY(Autostart::setEnabled(true, u"/x"_s)->startsWith(u"Could not create"_s));
    }

    void menuItemFollowsTheFile() {
        TestEnv env;
        TrayMenu menu(TrayMenu::Actions{{},
                                        {},
                                        {},
                                        {},
                                        [] { return Autostart::isEnabled(); },
                                        [](bool on) { Autostart::setEnabled(on, u"/x"_s); },
                                        {}});
        QAction* item = nullptr;
        for (QAction* a : menu.actions()) {
            if (a->text() == u"Start at login"_s)
                item = a;
        }
        QVERIFY(item && item->isCheckable());
        item->trigger(); // checks it and writes the file
        QVERIFY(Autostart::isEnabled());
        QFile::remove(Autostart::path()); // removed behind the app's back
        emit menu.aboutToShow();
        QVERIFY(!item->isChecked());
    }

    void execQuoting_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << u"/usr/bin/zevra-tikit"_s << u"\"/usr/bin/zevra-tikit\""_s;
        QTest::newRow("quote, dollar, backtick, backslash, percent")
            << u"/a\"b$c`d\\e%f"_s << u"\"/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\""_s;
    }

    void execQuoting() {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QVERIFY2(Autostart::entry(program).contains(u"\nExec="_s + exec + u'\n'),
                 qPrintable(Autostart::entry(program)));
    }
};

QTEST_MAIN(AutostartTest)
#include "AutostartTest.moc"

// The panel's off-screen layout check (ZEVRA_LAYOUT_TEST) in the real executable.

#include "AppProcess.h"
#include "TestEnv.h"

#include <QFileInfo>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

class LayoutModeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void snapshotOfARunningEntry() {
        TestEnv env;
        AppProcess::writeSettings(env.dataDirectory(), u"http://127.0.0.1:9"_s, u"key"_s);
        const QString db = env.dataDirectory() + u"/db.json"_s;
        const QDateTime written = QFileInfo(db).lastModified();
        const QString png = env.path() + u"/panel.png"_s;
        const AppProcess::Run run = AppProcess::run(
            QStringLiteral(ZEVRA_TIKIT_EXE),
            {u"XDG_DATA_HOME="_s + env.path() + u"/data"_s, u"QT_QPA_PLATFORM=offscreen"_s,
             u"ZEVRA_LAYOUT_TEST=1"_s, u"ZEVRA_SNAPSHOT="_s + png, u"ZEVRA_FAKE_RUNNING="_s,
             u"ZEVRA_SHOW_SUGGESTIONS=1"_s, u"ZEVRA_NO_SAVE=1"_s},
            60000);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines, QStringList({u"fitting size : (420.0, 660.0)"_s, u"clients      : 0"_s,
                                         u"entries      : 1"_s, u"snapshot     : "_s + png,
                                         u"layout test  : OK"_s}));
        QCOMPARE(QFileInfo(db).lastModified(), written); // ZEVRA_NO_SAVE
        QCOMPARE(QImage(png).size(), QSize(420, 660));
    }
};

QTEST_GUILESS_MAIN(LayoutModeTest)
#include "LayoutModeTest.moc"

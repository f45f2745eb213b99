// The off-screen layout check of the panel (ZEVRA_LAYOUT_TEST, ZEVRA_SNAPSHOT)
// run as the real executable on a prepared database.

#include "AppProcess.h"
#include "TestEnv.h"
#include "UiTestData.h"

#include "model/Store.h"
#include "model/Theme.h"

#include <QFile>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

AppProcess::Run runLayoutTest(const QString& dataHome, const QStringList& extraEnv) {
    QStringList env{u"XDG_DATA_HOME="_s + dataHome, u"QT_QPA_PLATFORM=offscreen"_s,
                    u"ZEVRA_LAYOUT_TEST=1"_s};
    env += extraEnv;
    return AppProcess::run(QStringLiteral(ZEVRA_TIKIT_EXE), env, 60000);
}

// Pixels within a small distance of the colour.
int countNear(const QImage& image, const QColor& color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - color.red()) < 6 && qAbs(c.green() - color.green()) < 6 &&
                qAbs(c.blue() - color.blue()) < 6)
                ++count;
        }
    }
    return count;
}

} // namespace

class LayoutModeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void printsAndWritesTheSnapshot();
    void fakeRunningAndSuggestions();
    void withoutSnapshot();
};

void LayoutModeTest::printsAndWritesTheSnapshot() {
    TestEnv env;
    {
        Store store(env.dataDirectory());
        UiTestData::seedSample(store.db());
        store.save();
    }
    const QString png = env.path() + u"/panel.png"_s;
    const AppProcess::Run run =
        runLayoutTest(env.path() + u"/data"_s, {u"ZEVRA_SNAPSHOT="_s + png});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList({u"fitting size : (420.0, 660.0)"_s, u"clients      : 2"_s,
                                     u"entries      : 8"_s, u"snapshot     : "_s + png,
                                     u"layout test  : OK"_s}));
    const QImage image(png);
    QCOMPARE(image.size(), QSize(420, 660));
    // Idle: the round button is accent-coloured and nothing is drawn in the
    // stop colour.
    QVERIFY(countNear(image, Theme::accent()) > 200);
    QCOMPARE(countNear(image, Theme::stop()), 0);
}

void LayoutModeTest::fakeRunningAndSuggestions() {
    TestEnv env;
    {
        Store store(env.dataDirectory());
        UiTestData::seedSample(store.db());
        store.save();
    }
    QFile file(env.dataDirectory() + u"/db.json"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    const QString png = env.path() + u"/running.png"_s;
    const AppProcess::Run run = runLayoutTest(
        env.path() + u"/data"_s, {u"ZEVRA_SNAPSHOT="_s + png, u"ZEVRA_FAKE_RUNNING="_s,
                                  u"ZEVRA_SHOW_SUGGESTIONS=1"_s, u"ZEVRA_NO_SAVE=1"_s});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.value(2), u"entries      : 9"_s);
    QCOMPARE(run.lines.last(), u"layout test  : OK"_s);
    const QImage image(png);
    QCOMPARE(image.size(), QSize(420, 660));
    // Running: the stop-coloured button is there.
    QVERIFY(countNear(image, Theme::stop()) > 200);
    // ZEVRA_NO_SAVE kept the database as it was.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void LayoutModeTest::withoutSnapshot() {
    TestEnv env;
    const AppProcess::Run run = runLayoutTest(env.path() + u"/data"_s, {});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList({u"fitting size : (420.0, 660.0)"_s, u"clients      : 0"_s,
                                     u"entries      : 0"_s, u"layout test  : OK"_s}));
}

QTEST_GUILESS_MAIN(LayoutModeTest)
#include "LayoutModeTest.moc"

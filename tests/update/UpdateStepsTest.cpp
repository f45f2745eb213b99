#include "update/UpdateSteps.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& bytes, bool executable = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFile::ExeOwner);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A fake application folder whose launcher notes where it was started from.
void makeBundle(const QString& path, const QByteArray& marker, const QString& log) {
    writeFile(path + u"/marker"_s, marker);
    writeFile(path + u"/bin/zevra-tikit"_s,
              "#!/bin/sh\ncat \"$(dirname \"$0\")/../marker\" >> '" + log.toUtf8() + "'\n", true);
}

} // namespace

// Comparing versions, the download address, unpacking and the swap script.
class UpdateStepsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isNewer_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("newer");
        QTest::newRow("0.3.0 > 0.2.0") << u"0.3.0"_s << u"0.2.0"_s << true;
        QTest::newRow("equal") << u"0.2.0"_s << u"0.2.0"_s << false;
        QTest::newRow("patch") << u"0.2.1"_s << u"0.2.0"_s << true;
        QTest::newRow("numbers, not text") << u"0.10.0"_s << u"0.9.0"_s << true;
        QTest::newRow("older") << u"0.9.0"_s << u"0.10.0"_s << false;
        QTest::newRow("1.2 equals 1.2.0") << u"1.2.0"_s << u"1.2"_s << false;
        QTest::newRow("missing piece is 0") << u"1.2.0.1"_s << u"1.2"_s << true;
        QTest::newRow("-beta reads as 0") << u"1.2.3-beta"_s << u"1.2.0"_s << false;
        QTest::newRow("empty pieces dropped") << u"1..3"_s << u"1.2"_s << true;
        QTest::newRow("no number") << u"abc"_s << u"0"_s << false;
    }
    void isNewer() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, newer);
        QCOMPARE(UpdateSteps::isNewer(a, b), newer);
    }

    void downloadUrl_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected"); // empty: invalid
        const QString base = u"http://h:8080/tikit"_s;
        QTest::newRow("relative, slashes dropped")
            << base << u"/downloads/app.zip/"_s << u"http://h:8080/tikit/downloads/app.zip"_s;
        QTest::newRow("server's own path")
            << base << u"releases/1.0/a.zip"_s << u"http://h:8080/tikit/releases/1.0/a.zip"_s;
        QTest::newRow("absolute unchanged")
            << base << u"https://cdn.test/a.zip"_s << u"https://cdn.test/a.zip"_s;
        QTest::newRow("no server") << QString() << u"/a.zip"_s << QString();
        QTest::newRow("does not parse") << base << u"http://exa mple/a.zip"_s << QString();
    }
    void downloadUrl() {
        QFETCH(QString, base);
        QFETCH(QString, url);
        QFETCH(QString, expected);
        const std::optional<QUrl> got = UpdateSteps::downloadUrl(base, url);
        QCOMPARE(got ? got->toString() : QString(), expected);
    }

    void bundleOf() {
        QCOMPARE(UpdateSteps::bundleOf(u"/opt/x/Zevra Tikit.app/bin/zevra-tikit"_s),
                 u"/opt/x/Zevra Tikit.app"_s);
        QCOMPARE(UpdateSteps::bundleOf(u"/usr/bin/zevra-tikit"_s), std::nullopt);
    }

    // Every failure of unpacking, and a good archive.
    void unpack_data() {
        QTest::addColumn<QStringList>("files"); // made inside the zip's folder
        QTest::addColumn<QStringList>("zipArgs");
        QTest::addColumn<QString>("error");
        const QStringList app{u"Zevra Tikit.app/bin/zevra-tikit"_s};
        QTest::newRow("good") << app << QStringList{u"-r"_s, u"Zevra Tikit.app"_s} << QString();
        QTest::newRow("not a zip") << QStringList() << QStringList() << UpdateSteps::unpackFailed;
        QTest::newRow("bundle only one level down")
            << QStringList{u"top/Zevra Tikit.app/bin/zevra-tikit"_s}
            << QStringList{u"-r"_s, u"top"_s} << UpdateSteps::noBundle;
        QTest::newRow("no executable")
            << QStringList{u"Zevra Tikit.app/readme"_s}
            << QStringList{u"-r"_s, u"Zevra Tikit.app"_s} << UpdateSteps::noExecutable;
        QTest::newRow("entry climbing out")
            << app << QStringList{u"-r"_s, u"Zevra Tikit.app"_s, u"../outside"_s}
            << UpdateSteps::unsafeArchive;
        QTest::newRow("symbolic link")
            << app << QStringList{u"-ry"_s, u"Zevra Tikit.app"_s, u"link"_s}
            << UpdateSteps::unsafeArchive;
    }
    void unpack() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, zipArgs);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString src = dir.filePath(u"src"_s);
        for (const QString& file : files)
            writeFile(src + u'/' + file, "x", true);
        writeFile(dir.filePath(u"outside"_s), "x");
        QDir(src).mkpath(u"."_s);
        QFile::link(u"/tmp"_s, src + u"/link"_s);
        const QString zip = dir.filePath(u"u.zip"_s);
        if (zipArgs.isEmpty())
            writeFile(zip, "PK\x03\x04 not really");
        else
            QCOMPARE(QProcess::execute(
                         u"/bin/sh"_s,
                         QStringList{u"-c"_s, u"cd \"$0\" && zip -q \"$@\""_s, src, zip} + zipArgs),
                     0);
        const UpdateSteps::Unpacked out = UpdateSteps::unpack(zip, dir.filePath(u"tmp"_s));
        QCOMPARE(out.error, error);
        QVERIFY(!QFile::exists(dir.filePath(u"tmp/outside"_s)));
        if (error.isEmpty())
            QCOMPARE(out.bundle, out.folder + u"/Zevra Tikit.app"_s);
    }

    void scriptText() {
        const QStringList lines =
            UpdateSteps::swapScript(4242, u"/a/it's.app"_s, u"/t/New.app"_s).split(u'\n');
        QCOMPARE(lines.value(0), u"#!/bin/sh"_s);
        QCOMPARE(lines.value(1),
                 u"while /bin/kill -0 4242 2>/dev/null; do /bin/sleep 0.25; done"_s);
        QVERIFY(
            lines.value(3).startsWith(u"if /bin/cp -a '/t/New.app' '/a/it'\\''s.app.zevra-new'"_s));
        QVERIFY(!lines.last().endsWith(u'\n'));
    }

    // The real script on fake bundles under a folder made to break bad quoting:
    // a complete copy is swapped in, a failed copy leaves the old one; either
    // way the result starts.
    void swap_data() {
        QTest::addColumn<bool>("newExists");
        QTest::newRow("swapped") << true;
        QTest::newRow("copy fails") << false;
    }
    void swap() {
        QFETCH(bool, newExists);
        QTemporaryDir dir;
        const QString parent = dir.filePath(u"it's \"$(touch pwned)\" `x`"_s);
        const QString old = parent + u"/Zevra Tikit.app"_s;
        const QString fresh = dir.filePath(u"new $HOME/Zevra Tikit.app"_s);
        const QString log = dir.filePath(u"started"_s);
        makeBundle(old, "old\n", log);
        if (newExists)
            makeBundle(fresh, "new\n", log);
        QString error;
        const std::optional<QString> script = UpdateSteps::writeScript(
            dir.path(), UpdateSteps::swapScript(999999999, old, fresh), &error);
        QVERIFY2(script, qPrintable(error));
        QProcess sh;
        sh.setWorkingDirectory(dir.path());
        sh.start(u"/bin/sh"_s, {*script});
        QVERIFY(sh.waitForFinished());
        QCOMPARE(sh.exitCode(), 0);
        const QByteArray expected = newExists ? "new\n" : "old\n";
        QTRY_COMPARE(readFile(log), expected);
        QCOMPARE(readFile(old + u"/marker"_s), expected);
        QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"Zevra Tikit.app"_s});
        QVERIFY(!QFile::exists(dir.filePath(u"pwned"_s)));
    }
};

QTEST_GUILESS_MAIN(UpdateStepsTest)
#include "UpdateStepsTest.moc"

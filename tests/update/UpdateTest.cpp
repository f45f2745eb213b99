#include "FakeHttpServer.h"
#include "TestEnv.h"

#include "api/HttpCall.h"
#include "model/Store.h"
#include "update/UpdateChecker.h"
#include "update/UpdatePresenter.h"
#include "update/UpdateSteps.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.setPermissions(f.permissions() | QFile::ExeOwner);
}

// zip(1) run in `dir` with `args`; gives the archive's path.
QString zipIn(const QString& dir, const QStringList& args) {
    const QString zip = dir + u"/test.zip"_s;
    QProcess::execute(u"/bin/sh"_s,
                      QStringList{u"-c"_s, u"cd \"$0\" && zip -q \"$@\""_s, dir, zip} + args);
    return zip;
}

// A fake application folder whose launcher appends its marker to `log`.
void makeBundle(const QString& path, const QByteArray& marker, const QString& log) {
    writeFile(path + u"/marker"_s, marker);
    writeFile(path + u"/bin/zevra-tikit"_s,
              "#!/bin/sh\ncat \"$(dirname \"$0\")/../marker\" >> '" + log.toUtf8() + "'\n");
}

struct Recorder : UpdatePresenter {
    QStringList seen;
    void upToDate(const QString& version) override { seen << u"up to date "_s + version; }
    void failed(const QString& message) override { seen << message; }
    void progress(const QString&, double) override {}
    void closeProgress() override { seen << u"closed"_s; }
    void terminate() override { seen << u"terminated"_s; }
};

} // namespace

// The update's plain steps, the real swap script, and the checker against a scripted server.
class UpdateTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<Store> m_store;
    Recorder m_shown;
    std::unique_ptr<UpdateChecker> m_checker;

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
        m_store = std::make_unique<Store>(m_env->dataDirectory());
        m_store->db().settings.server = m_server->baseUrl() + u"/"_s;
        m_shown.seen.clear();
        m_checker = std::make_unique<UpdateChecker>(m_shown);
        m_checker->onAvailable = [this](const Release& r) {
            m_shown.seen << u"offer "_s + r.version.value_or(QString());
        };
        qunsetenv("ZEVRA_UPDATE_DRYRUN");
        qputenv("TMPDIR", m_dir.path().toUtf8()); // downloads and unpacked folders land here
    }
    void cleanup() {
        m_checker.reset();
        QTRY_COMPARE(HttpCall::inFlight(), 0);
    }

    void isNewer_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("newer");
        QTest::newRow("equal") << u"0.2.0"_s << u"0.2.0"_s << false;
        QTest::newRow("numbers, not text") << u"0.10.0"_s << u"0.9.0"_s << true;
        QTest::newRow("1.2 equals 1.2.0") << u"1.2"_s << u"1.2.0"_s << false;
    }
    void isNewer() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, newer);
        QCOMPARE(UpdateSteps::isNewer(a, b), newer);
    }

    // Archives refused on unpacking (a good one and one without a bundle: see install). unzip
    // makes links whatever system the entry says made it ("host", patched in when >= 0).
    void unpack_data() {
        QTest::addColumn<QStringList>("zipArgs"); // run beside the bundle, "outside" and "link"
        QTest::addColumn<int>("host");
        QTest::addColumn<QString>("error");
        const QStringList app{u"-r"_s, u"Zevra Tikit.app"_s};
        QTest::newRow("damaged: unzip fails") << app << -1 << UpdateSteps::unpackFailed;
        QTest::newRow("entry climbing out")
            << app + QStringList{u"../outside"_s} << -1 << UpdateSteps::unsafeArchive;
        for (const int host : {0, 2, 3, 5, 16, 30})
            QTest::addRow("symbolic link, made by %d", host)
                << QStringList{u"-ry"_s, u"Zevra Tikit.app"_s, u"link"_s} << host
                << UpdateSteps::unsafeArchive;
    }
    void unpack() {
        QFETCH(QStringList, zipArgs);
        QFETCH(int, host);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString src = dir.filePath(u"src"_s);
        writeFile(src + u"/Zevra Tikit.app/bin/zevra-tikit"_s, "payload");
        writeFile(dir.filePath(u"outside"_s), "x");
        QFile::link(u"/tmp"_s, src + u"/link"_s);
        QString zip = zipIn(src, zipArgs);
        QByteArray bytes = readFile(zip);
        if (error == UpdateSteps::unpackFailed) // the stored bytes no longer match their CRC
            bytes.replace("payload", "PAYLOAD");
        for (qsizetype at = 0; host >= 0 && (at = bytes.indexOf("PK\x01\x02", at)) >= 0; ++at)
            bytes[at + 5] = char(host);
        writeFile(zip, bytes);
        const UpdateSteps::Unpacked unpacked = UpdateSteps::unpack(zip, dir.filePath(u"tmp"_s));
        QCOMPARE(unpacked.error, error);
        QVERIFY(!QFileInfo(unpacked.folder + u"/link"_s).isSymLink());
    }

    // What unzip made is walked again: a link or special file anywhere fails it.
    void plainFiles_data() {
        QTest::addColumn<QString>("extra");
        QTest::newRow("plain") << QString();
        QTest::newRow("linked file") << u"ln -s /etc/passwd a/b/evil"_s;
        QTest::newRow("linked folder") << u"ln -s /etc a/etc"_s;
        QTest::newRow("pipe") << u"mkfifo a/pipe"_s;
    }
    void plainFiles() {
        QFETCH(QString, extra);
        QTemporaryDir dir;
        writeFile(dir.filePath(u"a/b/file"_s), "x");
        QProcess::execute(u"/bin/sh"_s, {u"-c"_s, u"cd \"$0\" && "_s + extra, dir.path()});
        QCOMPARE(UpdateSteps::onlyPlainFiles(dir.path()), extra.isEmpty());
    }

    // Only an executable at exactly NAME.app/bin/zevra-tikit belongs to a bundle.
    void bundleOf_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("bundle");
        QTest::newRow("bundle") << u"/opt/X.app/bin/zevra-tikit"_s << u"/opt/X.app"_s;
        QTest::newRow("build tree") << u"/home/u/My.app/src/build/zevra-tikit"_s << QString();
        QTest::newRow("deeper") << u"/opt/X.app/bin/x/zevra-tikit"_s << QString();
        QTest::newRow("shallower") << u"/opt/X.app/zevra-tikit"_s << QString();
        QTest::newRow("other name") << u"/opt/X.app/bin/zevra-server"_s << QString();
        QTest::newRow("bare .app") << u"/opt/.app/bin/zevra-tikit"_s << QString();
        QTest::newRow("package") << u"/usr/bin/zevra-tikit"_s << QString();
    }
    void bundleOf() {
        QFETCH(QString, executable);
        QFETCH(QString, bundle);
        QCOMPARE(UpdateSteps::bundleOf(executable).value_or(QString()), bundle);
    }

    // The script (its first two lines as they must be) run under a folder named to break
    // bad quoting: a complete copy is swapped in, a failed one leaves the old folder;
    // either way the result starts.
    void swap_data() {
        QTest::addColumn<bool>("copyWorks");
        QTest::newRow("swapped") << true;
        QTest::newRow("copy fails") << false;
    }
    void swap() {
        QFETCH(bool, copyWorks);
        QTemporaryDir dir;
        const QString parent = dir.filePath(u"it's \"$(touch pwned)\" `x`"_s);
        const QString old = parent + u"/Zevra Tikit.app"_s;
        const QString fresh = dir.filePath(u"new $HOME/Zevra Tikit.app"_s);
        const QString log = dir.filePath(u"started"_s);
        makeBundle(old, "old\n", log);
        if (copyWorks)
            makeBundle(fresh, "new\n", log);
        const QString text = UpdateSteps::swapScript(999999999, old, fresh);
        QVERIFY(text.startsWith(u"#!/bin/sh\nwhile /bin/kill -0 999999999 2>/dev/null; do "
                                u"/bin/sleep 0.25; done\n"_s));
        QString error;
        const std::optional<QString> script = UpdateSteps::writeScript(dir.path(), text, &error);
        QVERIFY2(script, qPrintable(error));
        QCOMPARE(QProcess::execute(u"/bin/sh"_s, {*script}), 0);
        const QByteArray expected = copyWorks ? "new\n" : "old\n";
        QTRY_COMPARE(readFile(log), expected);
        QCOMPARE(readFile(old + u"/marker"_s), expected);
        QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"Zevra Tikit.app"_s});
        QVERIFY(QDir::current().entryList({u"pwned"_s}).isEmpty());
    }

    // Offers show as "offer VERSION"; a null reply means no server address.
    void check_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QStringList>("shown");
        const QString up = u"up to date "_s + UpdateChecker::currentVersion();
        QTest::newRow("no server, even when asked") << QByteArray() << true << QStringList();
        QTest::newRow("empty reply, asked") << "{}"_ba << true << QStringList{up};
        QTest::newRow("empty reply, quiet") << "{}"_ba << false << QStringList();
        QTest::newRow("newer") << R"({"version":"999.0","url":"a.zip"})"_ba << false
                               << QStringList{u"offer 999.0"_s};
    }
    void check() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, asked);
        QFETCH(QStringList, shown);
        if (reply.isNull())
            m_store->db().settings.server = u" "_s;
        m_server->setDefaultReply(ScriptedReply::json(200, reply));
        m_checker->check(*m_store, asked);
        m_checker->check(*m_store, asked); // overlaps the first: no second request
        QTRY_VERIFY(!m_checker->checking());
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), reply.isNull() ? 0 : 1);
        QCOMPARE(m_shown.seen, shown);
    }

    // Each failure of an install, and a dry run (of all but the first row) that only unpacks.
    // Relative download URLs are joined to the server address without their outer slashes.
    void install_data() {
        QTest::addColumn<QString>("url");    // "SERVER": the scripted server's absolute one
        QTest::addColumn<QString>("sha256"); // "ok": the archive's own
        QTest::addColumn<QString>("last");
        const QString failed = u"Update failed: "_s;
        QTest::newRow("not from an archive")
            << u"a.zip"_s << QString() << failed + UpdateSteps::notFromArchive;
        QTest::newRow("no url") << QString() << QString() << u"This release has no download URL."_s;
        QTest::newRow("bad url") << u"http://exa mple/a.zip"_s << QString()
                                 << u"Invalid download URL."_s;
        QTest::newRow("download fails") << u"a.zip"_s << QString() << u"Download failed: "_s;
        QTest::newRow("checksum mismatch")
            << u"/a.zip/"_s << QString(64, u'0') << failed + UpdateSteps::checksumMismatch;
        QTest::newRow("no bundle") << u"a.zip"_s << u"ok"_s << failed + UpdateSteps::noBundle;
        QTest::newRow("dry run") << u"SERVER"_s << u"ok"_s << u"closed"_s;
    }
    void install() {
        QFETCH(QString, url);
        QFETCH(QString, sha256);
        QFETCH(QString, last);
        const QByteArray tag = QTest::currentDataTag();
        if (tag != "not from an archive")
            qputenv("ZEVRA_UPDATE_DRYRUN", "");
        writeFile(m_dir.filePath(u"app/Zevra Tikit.app/bin/zevra-tikit"_s), "");
        const QByteArray zip = readFile(
            tag == "no bundle" ? zipIn(m_dir.path(), {u"-r"_s, u"app/Zevra Tikit.app"_s})
                               : zipIn(m_dir.filePath(u"app"_s), {u"-r"_s, u"Zevra Tikit.app"_s}));
        m_server->setDefaultReply(ScriptedReply::json(tag == "download fails" ? 404 : 200, zip));
        Release release;
        release.version = u"9.9.9"_s;
        if (!url.isEmpty())
            release.url = url == "SERVER"_L1 ? m_server->baseUrl() + u"/a.zip"_s : url;
        if (!sha256.isEmpty())
            release.sha256 = sha256 == "ok"_L1
                                 ? QCryptographicHash::hash(zip, QCryptographicHash::Sha256).toHex()
                                 : sha256;
        m_checker->install(release, *m_store);
        QTRY_VERIFY(!m_shown.seen.isEmpty() && m_shown.seen.last().startsWith(last));
        QVERIFY(!m_shown.seen.contains(u"terminated"_s));
        for (const RecordedRequest& request : m_server->requests())
            QCOMPARE(request.path, u"/a.zip"_s);
    }
};

QTEST_GUILESS_MAIN(UpdateTest)
#include "UpdateTest.moc"

#include "FakeHttpServer.h"
#include "TestEnv.h"

#include "api/HttpCall.h"
#include "model/Store.h"
#include "update/UpdateChecker.h"
#include "update/UpdatePresenter.h"
#include "update/UpdateSteps.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Everything the checker shows, as lines.
struct Recorder : UpdatePresenter {
    QStringList seen;
    void upToDate(const QString& version) override { seen << u"up to date "_s + version; }
    void failed(const QString& message) override { seen << message; }
    void progress(const QString& text, double) override {
        if (!seen.contains(text))
            seen << text;
    }
    void closeProgress() override { seen << u"closed"_s; }
    void terminate() override { seen << u"terminated"_s; }
};

// A zip of one folder holding bin/zevra-tikit.
QByteArray zipOf(const QString& folder) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(folder + u"/bin"_s);
    QFile exe(dir.filePath(folder + u"/bin/zevra-tikit"_s));
    exe.open(QIODevice::WriteOnly);
    exe.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    exe.close();
    QProcess::execute(u"/bin/sh"_s,
                      {u"-c"_s, u"cd \"$0\" && zip -qr a.zip \"$1\""_s, dir.path(), folder});
    QFile zip(dir.filePath(u"a.zip"_s));
    return zip.open(QIODevice::ReadOnly) ? zip.readAll() : QByteArray();
}

} // namespace

// The version check's rules and the install's failures, against a scripted server.
class UpdateCheckerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<Store> m_store;
    Recorder m_shown;
    std::unique_ptr<UpdateChecker> m_checker;
    QList<Release> m_offers;

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_server = std::make_unique<FakeHttpServer>();
        m_store = std::make_unique<Store>(m_env->dataDirectory());
        m_store->db().settings.server = m_server->baseUrl() + u"/"_s;
        m_shown.seen.clear();
        m_offers.clear();
        m_checker = std::make_unique<UpdateChecker>(m_shown);
        m_checker->onAvailable = [this](const Release& r) { m_offers << r; };
        qunsetenv("ZEVRA_UPDATE_DRYRUN");
    }
    void cleanup() {
        m_checker.reset();
        QTRY_COMPARE(HttpCall::inFlight(), 0);
    }

    void check_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("offered");
        const QString up = u"up to date "_s + UpdateChecker::currentVersion();
        QTest::newRow("no server, even when asked")
            << u" "_s << QByteArray() << true << 0 << QStringList() << QString();
        QTest::newRow("empty reply, asked")
            << QString() << "{}"_ba << true << 1 << QStringList{up} << QString();
        QTest::newRow("empty reply, quiet")
            << QString() << "{}"_ba << false << 1 << QStringList() << QString();
        QTest::newRow("not JSON, asked")
            << QString() << "<html>"_ba << true << 1 << QStringList{up} << QString();
        QTest::newRow("newer") << QString() << R"({"version":"999.0","url":"a.zip"})"_ba << true
                               << 1 << QStringList() << u"999.0"_s;
        QTest::newRow("same, asked")
            << QString() << ("{\"version\":\"" + UpdateChecker::currentVersion().toUtf8() + "\"}")
            << true << 1 << QStringList{up} << QString();
    }
    void check() {
        QFETCH(QString, server);
        QFETCH(QByteArray, reply);
        QFETCH(bool, asked);
        QFETCH(int, requests);
        QFETCH(QStringList, shown);
        QFETCH(QString, offered);
        if (!server.isNull())
            m_store->db().settings.server = server;
        m_server->setDefaultReply(ScriptedReply::json(200, reply));
        m_checker->check(*m_store, asked);
        m_checker->check(*m_store, asked); // overlaps the first: ignored
        QTRY_VERIFY(!m_checker->checking());
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), requests);
        if (requests)
            QCOMPARE(m_server->requests()[0].query.toString(), u"action=version"_s);
        QCOMPARE(m_shown.seen, shown);
        QCOMPARE(m_offers.size(), offered.isEmpty() ? 0 : 1);
    }

    // Each failure of an install, and a dry run that changes nothing.
    void install_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<QString>("sha256"); // "ok": the archive's own
        QTest::addColumn<bool>("dryRun");
        QTest::addColumn<QString>("last");
        const QByteArray app = zipOf(u"Zevra Tikit.app"_s);
        QTest::newRow("no url") << QString() << 200 << app << QString() << true
                                << u"This release has no download URL."_s;
        QTest::newRow("bad url") << u"http://exa mple/a.zip"_s << 200 << app << QString() << true
                                 << u"Invalid download URL."_s;
        QTest::newRow("not from an archive") << u"a.zip"_s << 200 << app << QString() << false
                                             << u"Update failed: "_s + UpdateSteps::notFromArchive;
        QTest::newRow("download fails")
            << u"a.zip"_s << 404 << app << QString() << true << u"Download failed: "_s;
        QTest::newRow("checksum mismatch") << u"/a.zip"_s << 200 << app << QString(64, u'0') << true
                                           << u"Update failed: "_s + UpdateSteps::checksumMismatch;
        QTest::newRow("no bundle") << u"a.zip"_s << 200 << zipOf(u"folder"_s) << u"ok"_s << true
                                   << u"Update failed: "_s + UpdateSteps::noBundle;
        QTest::newRow("dry run") << u"a.zip"_s << 200 << app << u"ok"_s << true << u"closed"_s;
    }
    void install() {
        QFETCH(QString, url);
        QFETCH(int, status);
        QFETCH(QByteArray, zip);
        QFETCH(QString, sha256);
        QFETCH(bool, dryRun);
        QFETCH(QString, last);
        if (dryRun)
            qputenv("ZEVRA_UPDATE_DRYRUN", "");
        m_server->setDefaultReply(ScriptedReply::json(status, zip));
        Release release;
        release.version = u"9.9.9"_s;
        if (!url.isEmpty())
            release.url = url;
        if (!sha256.isEmpty())
            release.sha256 = sha256 == "ok"_L1
                                 ? QCryptographicHash::hash(zip, QCryptographicHash::Sha256).toHex()
                                 : sha256;
        m_checker->install(release, *m_store);
        QTRY_VERIFY(!m_shown.seen.isEmpty() && m_shown.seen.last().startsWith(last));
        QVERIFY(!m_shown.seen.contains(u"terminated"_s));
        if (status == 200 && m_server->requests().size() == 1)
            QCOMPARE(m_server->requests()[0].path, u"/a.zip"_s);
        if (last == "closed"_L1)
            QCOMPARE(m_shown.seen, (QStringList{u"Downloading update 9.9.9\u2026"_s,
                                                u"Installing update\u2026"_s, u"closed"_s}));
    }
};

QTEST_GUILESS_MAIN(UpdateCheckerTest)
#include "UpdateCheckerTest.moc"

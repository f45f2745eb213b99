#include "ReleaseStore.h"
#include "ServerHarness.h"
#include "Storage.h"
#include "TestEnv.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// Publishing releases, the version reply and serving the archives.
class ServerReleaseTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ServerHarness> m_harness;

    ServerHarness& h() { return *m_harness; }
    ReleaseStore& releases() { return h().server().data().releases(); }

    QString zip(const QString& name, const QByteArray& content) {
        const QString path = m_env->path(u"archives"_s) + u'/' + name;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        f.write("PK\x03\x04" + content);
        return path;
    }

    bool publish(const QString& version, const QByteArray& content,
                 const std::optional<QString>& notes = std::nullopt, QString* error = nullptr) {
        return releases().publish(version, zip(version + u".zip"_s, content), notes, error);
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnv>();
        m_harness = std::make_unique<ServerHarness>(m_env->path(u"server"_s));
    }

    void cleanup() {
        m_harness.reset();
        m_env.reset();
    }

    void noReleaseGivesEmptyObject() {
        const HttpResult r = h().get(u"/api.php?action=version"_s);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, "{}"_ba);
    }

    void newestReleaseAndDownload() {
        QVERIFY(publish(u"0.9.0"_s, "nine", u"Older"_s));
        m_env->clock().advanceSeconds(3600);
        QVERIFY(publish(u"0.10.0"_s, "ten", u"Faster sync"_s));
        m_env->clock().advanceSeconds(3600);
        // Published later but a lower version: not the newest.
        QVERIFY(publish(u"0.9.5"_s, "nine and a half"));

        // No key needed; an unknown key does not matter either.
        const HttpResult r = h().get(u"/api.php?action=version"_s, u"whatever"_s);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.json.value("version"_L1).toString(), u"0.10.0"_s);
        QCOMPARE(r.json.value("url"_L1).toString(), u"releases/0.10.0/zevra-tikit-0.10.0.zip"_s);
        QCOMPARE(r.json.value("notes"_L1).toString(), u"Faster sync"_s);
        QCOMPARE(r.json.value("pub_date"_L1).toString(), u"2026-01-05T10:30:00Z"_s);

        const HttpResult download = h().get(u"/"_s + r.json.value("url"_L1).toString());
        QCOMPARE(download.status, 200);
        QCOMPARE(download.body, "PK\x03\x04ten"_ba);
        QCOMPARE(download.header("Content-Type"), "application/zip"_ba);
        QVERIFY(download.header("Content-Disposition").contains("zevra-tikit-0.10.0.zip"));
    }

    void publishRefusals_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("file");
        QTest::newRow("path in version") << u"../0.1"_s << QString();
        QTest::newRow("not a number") << u"latest"_s << QString();
        QTest::newRow("empty version") << QString() << QString();
        QTest::newRow("already published") << u"1.0.0"_s << QString();
        QTest::newRow("missing file") << u"1.1.0"_s << u"MISSING"_s;
        QTest::newRow("not a zip") << u"1.1.0"_s << u"TEXT"_s;
        QTest::newRow("a folder") << u"1.1.0"_s << u"FOLDER"_s;
    }

    void publishRefusals() {
        QFETCH(QString, version);
        QFETCH(QString, file);
        QVERIFY(publish(u"1.0.0"_s, "one"));
        QString path = zip(u"any.zip"_s, "any");
        if (file == "MISSING"_L1)
            path = m_env->path() + u"/nothing.zip"_s;
        if (file == "FOLDER"_L1)
            path = m_env->path(u"folder.zip"_s);
        if (file == "TEXT"_L1) {
            path = m_env->path() + u"/text.zip"_s;
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("just text");
        }
        QString error;
        QVERIFY(!releases().publish(version, path, std::nullopt, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(h().server().data().storage().releases().size(), 1);
        QCOMPARE(h().get(u"/api.php?action=version"_s).json.value("version"_L1).toString(),
                 u"1.0.0"_s);
    }

    void onlyPublishedArchivesAreServed_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("other name") << u"/releases/1.0.0/other.zip"_s;
        QTest::newRow("unknown version") << u"/releases/2.0.0/zevra-tikit-2.0.0.zip"_s;
        QTest::newRow("parent") << u"/releases/1.0.0/../../zevra.sqlite"_s;
        QTest::newRow("encoded parent") << u"/releases/..%2F..%2Fzevra.sqlite"_s;
        QTest::newRow("listing") << u"/releases/1.0.0/"_s;
        QTest::newRow("too deep") << u"/releases/1.0.0/zevra-tikit-1.0.0.zip/x"_s;
    }

    void onlyPublishedArchivesAreServed() {
        QFETCH(QString, path);
        QVERIFY(publish(u"1.0.0"_s, "one"));
        const QByteArray answer =
            h().raw("GET " + path.toLatin1() + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QVERIFY2(answer.startsWith("HTTP/1.1 404"), answer.left(200).constData());
        // The published one is served.
        QCOMPARE(h().get(u"/releases/1.0.0/zevra-tikit-1.0.0.zip"_s).status, 200);
    }

    void versionComparison_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("newer");
        QTest::newRow("minor by number") << u"0.10.0"_s << u"0.9.0"_s << true;
        QTest::newRow("older") << u"0.9.0"_s << u"0.10.0"_s << false;
        QTest::newRow("missing piece is 0") << u"1.2"_s << u"1.2.0"_s << false;
        QTest::newRow("longer") << u"1.2.1"_s << u"1.2"_s << true;
        QTest::newRow("suffix reads as 0") << u"1.2.3-beta"_s << u"1.2.0"_s << false;
    }

    void versionComparison() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, newer);
        QCOMPARE(ReleaseStore::isNewer(a, b), newer);
    }
};

QTEST_MAIN(ServerReleaseTest)
#include "ServerReleaseTest.moc"

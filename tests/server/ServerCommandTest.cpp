#include "ServerCommand.h"
#include "TestEnv.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The zevra-server command line: parsing, and the executable's output and
// exit statuses.
class ServerCommandTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;

    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    static QString program() {
        return qEnvironmentVariable("ZEVRA_BUILD_DIR") + u"/server/zevra-server"_s;
    }

    static Run run(const QStringList& arguments) {
        QProcess p;
        p.start(program(), arguments);
        if (!p.waitForFinished(60000))
            qFatal("zevra-server did not finish");
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), p.readAllStandardError()};
    }

private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("detail");
        using K = ServerCommand::Kind;
        QTest::newRow("defaults") << QStringList{} << int(K::Serve) << u"127.0.0.1"_s << 8080
                                  << QString();
        QTest::newRow("listen") << QStringList{u"--listen"_s, u"0.0.0.0:9000"_s} << int(K::Serve)
                                << u"0.0.0.0"_s << 9000 << QString();
        QTest::newRow("listen with =") << QStringList{u"--listen=localhost:1"_s} << int(K::Serve)
                                       << u"localhost"_s << 1 << QString();
        QTest::newRow("ipv6") << QStringList{u"--listen"_s, u"[::1]:8081"_s} << int(K::Serve)
                              << u"::1"_s << 8081 << QString();
        QTest::newRow("create-admin")
            << QStringList{u"create-admin"_s, u" Ada "_s, u"--data"_s, u"/d"_s}
            << int(K::CreateAdmin) << u"127.0.0.1"_s << 8080 << u"Ada"_s;
        QTest::newRow("publish") << QStringList{u"publish"_s, u"1.2.0"_s, u"a.zip"_s, u"--notes"_s,
                                                u"Fixes"_s}
                                 << int(K::Publish) << u"127.0.0.1"_s << 8080 << u"1.2.0"_s;
        QTest::newRow("help") << QStringList{u"--help"_s} << int(K::Help) << u"127.0.0.1"_s << 8080
                              << QString();
    }

    void parse() {
        QFETCH(QStringList, args);
        QFETCH(int, kind);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, detail);
        QString error;
        const auto c = ServerCommand::parse(args, &error);
        QVERIFY2(c, qPrintable(error));
        QCOMPARE(int(c->kind), kind);
        QCOMPARE(c->host, host);
        QCOMPARE(int(c->port), port);
        if (c->kind == ServerCommand::Kind::CreateAdmin) {
            QCOMPARE(c->name, detail);
            QCOMPARE(c->dataPath, u"/d"_s);
        }
        if (c->kind == ServerCommand::Kind::Publish) {
            QCOMPARE(c->version, detail);
            QCOMPARE(c->zipPath, u"a.zip"_s);
            QCOMPARE(c->notes, std::optional<QString>(u"Fixes"_s));
        }
        if (!args.contains(u"--data"_s) && c->kind != ServerCommand::Kind::Help)
            QCOMPARE(c->dataPath, m_env->path() + u"/data/zevra-server"_s);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown command") << QStringList{u"frobnicate"_s};
        QTest::newRow("unknown option") << QStringList{u"--verbose"_s};
        QTest::newRow("listen without port") << QStringList{u"--listen"_s, u"127.0.0.1"_s};
        QTest::newRow("listen bad port") << QStringList{u"--listen"_s, u"127.0.0.1:70000"_s};
        QTest::newRow("listen bad host") << QStringList{u"--listen"_s, u"no host:80"_s};
        QTest::newRow("bare ipv6") << QStringList{u"--listen"_s, u"::1:80"_s};
        QTest::newRow("listen missing value") << QStringList{u"--listen"_s};
        QTest::newRow("create-admin without name") << QStringList{u"create-admin"_s};
        QTest::newRow("create-admin blank name") << QStringList{u"create-admin"_s, u"  "_s};
        QTest::newRow("create-admin two names") << QStringList{u"create-admin"_s, u"A"_s, u"B"_s};
        QTest::newRow("publish without zip") << QStringList{u"publish"_s, u"1.0"_s};
        QTest::newRow("notes without publish") << QStringList{u"--notes"_s, u"x"_s};
        QTest::newRow("listen with create-admin")
            << QStringList{u"create-admin"_s, u"A"_s, u"--listen"_s, u"127.0.0.1:1"_s};
        QTest::newRow("empty data") << QStringList{u"--data="_s};
    }

    void badArguments() {
        QFETCH(QStringList, args);
        QString error;
        QVERIFY(!ServerCommand::parse(args, &error));
        QVERIFY(!error.isEmpty());
        const Run r = run(QStringList{u"--data"_s, m_env->path(u"d"_s)} + args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith("zevra-server: " + error.toUtf8()), r.err.constData());
        QVERIFY(r.err.contains("Usage:"));
    }

    void createAdminPrintsTheKeyAlone() {
        const QString data = m_env->path() + u"/fresh/server"_s;
        const Run r = run({u"--data"_s, data, u"create-admin"_s, u"Ada Admin"_s});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(QRegularExpression(u"\\A[0-9a-f]{64}\\n\\z"_s)
                     .match(QString::fromLatin1(r.out))
                     .hasMatch(),
                 r.out.constData());
        QVERIFY(r.err.contains("Ada Admin"));
        QVERIFY(!r.err.contains(r.out.trimmed()));
        // The folder is private to its owner.
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        for (const QString& folder : {data, data + u"/uploads"_s, data + u"/releases"_s}) {
            QCOMPARE(QFile::permissions(folder) & others, QFile::Permissions());
            QCOMPARE(QFile::permissions(folder) & owner, owner);
        }
        QVERIFY(QFile::exists(data + u"/zevra.sqlite"_s));

        const Run twice = run({u"--data"_s, data, u"create-admin"_s, u"ada admin"_s});
        QCOMPARE(twice.exitCode, 1);
        QVERIFY(twice.out.isEmpty());
        QVERIFY(twice.err.contains("already exists"));
    }

    void unusableDataFolder() {
        // A regular file where a folder is needed cannot be worked around,
        // not even with root's rights.
        const QString file = m_env->path() + u"/plain-file"_s;
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        for (const QString& data : {file, file + u"/below"_s}) {
            const Run r = run({u"--data"_s, data, u"create-admin"_s, u"Ada"_s});
            QCOMPARE(r.exitCode, 1);
            QVERIFY(r.out.isEmpty());
            QVERIFY2(r.err.startsWith("zevra-server: ") && r.err.contains(data.toUtf8()),
                     r.err.constData());
            const Run serve = run({u"--data"_s, data, u"--listen"_s, u"127.0.0.1:0"_s});
            QCOMPARE(serve.exitCode, 1);
            QVERIFY(serve.out.isEmpty());
        }
    }

    void portInUse() {
        QTcpServer occupied;
        QVERIFY(occupied.listen(QHostAddress(QHostAddress::LocalHost), 0));
        const QString listen = u"127.0.0.1:%1"_s.arg(occupied.serverPort());
        const Run r = run({u"--data"_s, m_env->path(u"d"_s), u"--listen"_s, listen});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith("zevra-server: cannot listen on " + listen.toUtf8()),
                 r.err.constData());
    }

    void servesUntilTerminated_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void servesUntilTerminated() {
        QFETCH(int, signalNumber);
        const QString data = m_env->path(u"served"_s);
        QProcess p;
        p.start(program(), {u"--data"_s, data, u"--listen"_s, u"127.0.0.1:0"_s});
        QVERIFY(p.waitForStarted());
        QByteArray line;
        while (!line.contains('\n') && p.waitForReadyRead(30000))
            line += p.readAllStandardOutput();
        const QRegularExpressionMatch m =
            QRegularExpression(
                u"\\Azevra-server listening on http://127\\.0\\.0\\.1:(\\d+), data in (.+)\\n\\z"_s)
                .match(QString::fromUtf8(line));
        QVERIFY2(m.hasMatch(), line.constData());
        QCOMPARE(m.captured(2), data);
        const quint16 port = quint16(m.captured(1).toUInt());
        QVERIFY(port != 0);

        QTcpSocket socket;
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        QVERIFY(socket.waitForConnected(10000));
        socket.write("GET /api.php?action=version HTTP/1.1\r\nHost: x\r\n\r\n");
        QByteArray answer;
        while (!answer.endsWith("{}") && socket.waitForReadyRead(10000))
            answer += socket.readAll();
        QVERIFY2(answer.startsWith("HTTP/1.1 200"), answer.constData());

        QCOMPARE(::kill(pid_t(p.processId()), signalNumber), 0);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    void publishFromTheCommandLine() {
        const QString data = m_env->path(u"releases"_s);
        const QString zip = m_env->path() + u"/app.zip"_s;
        QFile f(zip);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("PK\x03\x04 archive");
        f.close();
        const Run r = run(
            {u"--data"_s, data, u"publish"_s, u"0.2.0"_s, zip, u"--notes"_s, u"Better reports"_s});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("releases/0.2.0/zevra-tikit-0.2.0.zip"));
        QFile copy(data + u"/releases/0.2.0/zevra-tikit-0.2.0.zip"_s);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), "PK\x03\x04 archive"_ba);

        const Run again = run({u"--data"_s, data, u"publish"_s, u"0.2.0"_s, zip});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains("already published"));
        const Run missing = run({u"--data"_s, data, u"publish"_s, u"0.3.0"_s, zip + u".gone"_s});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.startsWith("zevra-server: "));
    }
};

QTEST_MAIN(ServerCommandTest)
#include "ServerCommandTest.moc"

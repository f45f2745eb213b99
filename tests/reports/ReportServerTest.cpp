#include "FakeHttpServer.h"
#include "PdfProbe.h"
#include "TestEnv.h"
#include "model/Store.h"
#include "model/Time.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QUuid>

using namespace Qt::StringLiterals;

#ifndef ZEVRA_SERVER_EXE
#define ZEVRA_SERVER_EXE ""
#endif

// ZEVRA_REPORT_TEST against a real zevra-server: the client syncs two entries
// to the server, fetches the report of the last 90 days and renders it.
class ReportServerTest : public QObject {
    Q_OBJECT

private:
    QString m_serverExe;
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<QProcess> m_server;

    static QString newId() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

    // Starts the server on a free loopback port with a first administrator;
    // gives its address and the administrator's key.
    std::pair<QString, QString> startServer() {
        const QString data = m_env->path(u"server"_s);
        QProcess create;
        create.start(m_serverExe, {u"--data"_s, data, u"create-admin"_s, u"Admin"_s});
        if (!create.waitForFinished(60000) || create.exitCode() != 0)
            qFatal("zevra-server create-admin failed: %s",
                   create.readAllStandardError().constData());
        const QString key =
            QString::fromUtf8(create.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();

        const QString address = u"127.0.0.1:"_s + QString::number(FakeHttpServer::closedPort());
        m_server = std::make_unique<QProcess>();
        m_server->setProcessChannelMode(QProcess::MergedChannels);
        m_server->start(m_serverExe, {u"--data"_s, data, u"--listen"_s, address});
        QByteArray log;
        const bool listening = QTest::qWaitFor(
            [&] {
                log += m_server->readAll();
                return log.contains("listening") || m_server->state() == QProcess::NotRunning;
            },
            60000);
        if (!listening || m_server->state() != QProcess::Running)
            qFatal("zevra-server did not start: %s", log.constData());
        return {u"http://"_s + address, key};
    }

private Q_SLOTS:
    void initTestCase() {
        m_serverExe = qEnvironmentVariable("ZEVRA_SERVER_BIN", QStringLiteral(ZEVRA_SERVER_EXE));
        if (m_serverExe.isEmpty() || !QFileInfo(m_serverExe).isExecutable())
            QSKIP("zevra-server is not built in this tree");
    }

    void init() { m_env = std::make_unique<TestEnv>(); }

    void cleanup() {
        if (m_server) {
            m_server->terminate();
            if (!m_server->waitForFinished(10000))
                m_server->kill();
            m_server->waitForFinished(10000);
            m_server.reset();
        }
        m_env.reset();
    }

    void reportFromTheServer() {
        const auto [url, key] = startServer();
        QVERIFY(!key.isEmpty());

        // Two finished entries of the last hours, one with a new client; the
        // subprocess runs on the real clock.
        const QDateTime now = QDateTime::currentDateTimeUtc();
        {
            Store store(m_env->dataDirectory());
            store.db().settings.server = url;
            store.db().settings.apiKey = key;
            Client client;
            client.id = newId();
            client.name = u"Acme Works"_s;
            client.color = u"#ef4444"_s;
            client.syncState = Entry::pending;
            store.db().clients.append(client);
            Entry first;
            first.id = newId();
            first.clientId = client.id;
            first.description = u"Quarterly planning with the board"_s;
            first.startedAt = Time::iso(now.addSecs(-4 * 3600));
            first.endedAt = Time::iso(now.addSecs(-2 * 3600));
            first.updatedAt = Time::iso(now);
            Entry second;
            second.id = newId();
            second.description = u"Inbox"_s;
            second.startedAt = Time::iso(now.addSecs(-3600));
            second.endedAt = Time::iso(now.addSecs(-1800));
            second.updatedAt = Time::iso(now);
            store.db().entries = {first, second};
            store.save();
        }

        const QString out = m_env->path() + u"/server-report.pdf"_s;
        QProcess app;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"TZ"_s, u"UTC"_s);
        e.insert(u"ZEVRA_REPORT_TEST"_s, out);
        app.setProcessEnvironment(e);
        app.start(QStringLiteral(ZEVRA_TIKIT_EXE), {});
        QVERIFY(app.waitForFinished(120000));
        const QStringList lines =
            QString::fromUtf8(app.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(app.exitCode() == 0, qPrintable(lines.join(u'\n') + app.readAllStandardError()));

        QCOMPARE(lines.size(), 4);
        QVERIFY2(QRegularExpression(uR"(^user   : Admin \(id \d+, admin true\)$)"_s)
                     .match(lines[0])
                     .hasMatch(),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], u"users  : [\"Admin\"]"_s);
        QCOMPARE(lines[2], u"entries: 2  total: 9000s"_s);
        QCOMPARE(lines[3], u"pdf    : %1 bytes -> %2"_s.arg(QFileInfo(out).size()).arg(out));

        const PdfProbe pdf(out);
        QCOMPARE(pdf.pages(), 1);
        const QString text = pdf.text();
        for (const QString& expected :
             {u"Quarterly planning with the board"_s, u"Inbox"_s, u"Acme Works"_s, u"All clients"_s,
              u"Total 2:30:00"_s, u"2:00:00"_s, u"0:30:00"_s, u"Page 1 of 1"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected));
    }
};

QTEST_GUILESS_MAIN(ReportServerTest)
#include "ReportServerTest.moc"

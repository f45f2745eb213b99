#include "TestEnv.h"
#include "idle/DBusIdleSource.h"
#include "idle/DesktopNotification.h"
#include "idle/LogindWatch.h"
#include "idle/WaylandIdleSource.h"
#include "idle/X11IdleSource.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A program the test started, ended with the test.
struct Child {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    ~Child() {
        process->terminate();
        if (!process->waitForFinished(3000))
            process->kill();
        process->waitForFinished(3000);
    }
};

// The first line a started program prints.
QString firstLine(QProcess& process) {
    while (!process.canReadLine() && process.waitForReadyRead(10000)) {
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}

} // namespace

// Each idle source against the real thing or a D-Bus mock of it: the X server
// under Xvfb and sway headless; Mutter's idle monitor, the screen saver
// service, logind and the notification server mocked by python3-dbusmock on a
// private bus.
class IdleSourcesTest : public QObject {
    Q_OBJECT

    Child m_bus;
    QString m_address;
    QList<std::shared_ptr<Child>> m_mocks;
    QTemporaryDir m_dir;

    QDBusConnection bus() { return QDBusConnection::connectToBus(m_address, u"private"_s); }

    // python3-dbusmock serving `name` at PATH (or a template's object).
    void mock(const QString& name, const QStringList& args) {
        auto child = std::make_shared<Child>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_address);
        child->process->setProcessEnvironment(env);
        child->process->start(u"/usr/bin/python3"_s, QStringList{u"-m"_s, u"dbusmock"_s} + args);
        QVERIFY(child->process->waitForStarted());
        m_mocks.append(child);
        QTRY_VERIFY_WITH_TIMEOUT(bus().interface()->isServiceRegistered(name).value(), 10000);
    }
    QDBusMessage callMock(const QString& service, const QString& path, const QString& interface,
                          const QString& method, const QVariantList& args) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(args);
        return bus().call(call);
    }
    void setIdle(qint64 msecs) {
        QFile file(m_dir.filePath(u"idle"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(msecs));
    }

private Q_SLOTS:
    void initTestCase() {
        m_bus.process->start(u"dbus-daemon"_s,
                             {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        QVERIFY(m_bus.process->waitForStarted());
        m_address = firstLine(*m_bus.process);
        QVERIFY(bus().isConnected());
    }
    void cleanup() { m_mocks.clear(); }
    void cleanupTestCase() { QDBusConnection::disconnectFromBus(u"private"_s); }

    // Xvfb and xdotool; sway headless (as nobody for root, which sway refuses) and wtype.
    void display_data() {
        QTest::addColumn<bool>("wayland");
        QTest::newRow("x11") << false;
        QTest::newRow("sway") << true;
    }
    void display() {
        QFETCH(bool, wayland);
        Child server;
        std::unique_ptr<IdleSource> source;
        QStringList input{u"xdotool"_s, u"mousemove"_s, u"40"_s, u"40"_s};
        if (!wayland) {
            server.process->start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s});
            QVERIFY(server.process->waitForStarted());
            qputenv("DISPLAY", (u':' + firstLine(*server.process)).toUtf8());
            source = X11IdleSource::open();
        } else {
            QVERIFY(getuid() != 0 || chown(qPrintable(m_dir.path()), 65534, 65534) == 0);
            qputenv("XDG_RUNTIME_DIR", m_dir.path().toUtf8());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"WLR_BACKENDS"_s, u"headless"_s);
            env.insert(u"WLR_RENDERER"_s, u"pixman"_s);
            server.process->setProcessEnvironment(env);
            QStringList sway{u"sway"_s, u"-c"_s, u"/dev/null"_s};
            if (getuid() == 0)
                sway = QStringList{u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s,
                                   u"--clear-groups"_s} +
                       sway;
            server.process->start(sway[0], sway.mid(1));
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath(u"wayland-1"_s)), 10000);
            qputenv("WAYLAND_DISPLAY", "wayland-1");
            source = WaylandIdleSource::open();
            input = QStringList{u"wtype"_s, u"a"_s};
        }
        QVERIFY(source);
        QSignalSpy idle(source.get(), &IdleSource::idleSince);
        QSignalSpy back(source.get(), &IdleSource::inputResumed);
        source->watch(600);
        QVERIFY(idle.wait(5000));
        // The last input lies at least the watched time back.
        QVERIFY(idle[0][0].toDateTime().msecsTo(QDateTime::currentDateTimeUtc()) >= 600);
        QProcess::execute(input[0], input.mid(1));
        QVERIFY(back.wait(5000));
        QVERIFY(idle.wait(5000));
    }

    void dbus_data() {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("type");
        QTest::newRow("mutter") << u"org.gnome.Mutter.IdleMonitor"_s
                                << u"/org/gnome/Mutter/IdleMonitor/Core"_s << u"GetIdletime"_s
                                << u"t"_s;
        QTest::newRow("screen saver")
            << u"org.freedesktop.ScreenSaver"_s << u"/org/freedesktop/ScreenSaver"_s
            << u"GetSessionIdleTime"_s << u"u"_s;
    }
    void dbus() {
        QFETCH(QString, service);
        QFETCH(QString, path);
        QFETCH(QString, method);
        QFETCH(QString, type);
        TestEnv env;
        std::unique_ptr<PolledIdleSource> source;
        if (service.contains(u"Mutter"_s))
            source = DBusIdleSource::mutter(bus());
        else
            source = DBusIdleSource::screenSaver(bus());
        mock(service, {service, path, service});
        setIdle(1000);
        const QString code = u"ret = int(open('"_s + m_dir.filePath(u"idle"_s) + u"').read())"_s;
        callMock(service, path, u"org.freedesktop.DBus.Mock"_s, u"AddMethod"_s,
                 {service, method, QString(), type, code});
        QSignalSpy idle(source.get(), &IdleSource::idleSince);
        QSignalSpy back(source.get(), &IdleSource::inputResumed);
        source->watch(2000);
        QVERIFY(!idle.wait(1500));
        setIdle(120000);
        QVERIFY(idle.wait(3000));
        QCOMPARE(idle[0][0].toDateTime(), env.clock().currentTime().addSecs(-120));
        setIdle(10);
        QVERIFY(back.wait(3000));
    }

    void logind() {
        mock(u"org.freedesktop.login1"_s, {u"--session"_s, u"-t"_s, u"logind"_s});
        callMock(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                 u"org.freedesktop.DBus.Mock"_s, u"AddSession"_s,
                 {u"c7"_s, u"seat0"_s, 1000u, u"someone"_s, true});
        LogindWatch watch(bus(), u"c7"_s);
        QVERIFY(watch.offered());
        QSignalSpy sleeping(&watch, &LogindWatch::sleeping);
        QSignalSpy locked(&watch, &LogindWatch::locked);
        QTest::qWait(500); // the session's path is looked up first
        callMock(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1/session/c7"_s,
                 u"org.freedesktop.login1.Session"_s, u"SetLockedHint"_s, {true});
        QVERIFY(locked.wait(3000));
        QCOMPARE(locked[0][0].toBool(), true);
        for (bool start : {true, false}) {
            callMock(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                     u"org.freedesktop.DBus.Mock"_s, u"EmitSignal"_s,
                     {u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, u"b"_s,
                      QVariantList{start}});
            QVERIFY(sleeping.wait(3000));
            QCOMPARE(sleeping.last()[0].toBool(), start);
        }
    }

    // The buttons where the server shows them, else the tray's message.
    void notification_data() {
        QTest::addColumn<QString>("capabilities"); // of the server; empty: none runs
        QTest::newRow("actions") << u"body actions"_s;
        QTest::newRow("no actions") << u"body"_s;
        QTest::newRow("no server") << QString();
    }
    void notification() {
        QFETCH(QString, capabilities);
        const QString service = u"org.freedesktop.Notifications"_s;
        const QString log = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (!capabilities.isEmpty())
            mock(service, {u"-t"_s, u"notification_daemon"_s, u"-l"_s, log, u"-p"_s,
                           u"{\"capabilities\": \""_s + capabilities + u"\"}"_s});
        DesktopNotification notification(bus());
        QSignalSpy tray(&notification, &DesktopNotification::trayMessage);
        QSignalSpy answers(&notification, &DesktopNotification::actionInvoked);
        notification.show({u"Away"_s,
                           u"You were away (0:23:00)."_s,
                           {{u"keep"_s, u"Keep"_s},
                            {u"discard"_s, u"Discard"_s},
                            {u"continue"_s, u"Discard and continue"_s},
                            {u"later"_s, u"Later"_s}},
                           u" Open it."_s,
                           QString(),
                           0});
        const auto logged = [&log] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        if (!capabilities.contains(u"actions"_s)) {
            QVERIFY(tray.wait(3000));
            QCOMPARE(tray[0][1].toString(), u"You were away (0:23:00). Open it."_s);
            notification.close(); // answered elsewhere: the message goes
            QCOMPARE(tray.last(), (QList<QVariant>{QString(), QString()}));
            QVERIFY(!logged().contains(u"Notify"_s));
            return;
        }
        QTRY_VERIFY(logged().contains(u"\"discard\", \"Discard\", \"continue\""_s)); // Notify's
        QTest::qWait(200); // for the server's reply with the notification's id
        // Answered: the listener takes it away while it is being told.
        connect(&notification, &DesktopNotification::actionInvoked, &notification,
                &DesktopNotification::close);
        // Another program's notification first, then this one's.
        for (const auto& [id, key] : {std::pair{2u, u"keep"_s}, std::pair{1u, u"continue"_s}})
            callMock(service, u"/org/freedesktop/Notifications"_s, u"org.freedesktop.DBus.Mock"_s,
                     u"EmitSignal"_s,
                     {service, u"ActionInvoked"_s, u"us"_s, QVariantList{id, key}});
        QTRY_COMPARE(answers.size(), 1);
        QCOMPARE(answers[0][0].toString(), u"continue"_s);
        QTRY_VERIFY(logged().contains(u"CloseNotification 1"_s));
        QVERIFY(tray.isEmpty());
    }
};

QTEST_GUILESS_MAIN(IdleSourcesTest)
#include "IdleSourcesTest.moc"

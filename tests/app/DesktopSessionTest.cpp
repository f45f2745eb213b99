#include "app/DesktopSession.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Which Qt platform the tray app asks for in each kind of session.
class DesktopSessionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void platform_data() {
        QTest::addColumn<QByteArray>("qpa");
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<bool>("xAnswers");
        QTest::addColumn<QByteArray>("chosen"); // empty: Qt's own choice
        QTest::newRow("X11 session") << ""_ba
                                     << "x11"_ba
                                     << ""_ba
                                     << ":0"_ba << true << ""_ba;
        QTest::newRow("Wayland with XWayland") << ""_ba
                                               << "wayland"_ba
                                               << "wayland-0"_ba
                                               << ":0"_ba << true << "xcb"_ba;
        QTest::newRow("Wayland display without session type") << ""_ba
                                                              << ""_ba
                                                              << "wayland-1"_ba
                                                              << ":1"_ba << true << "xcb"_ba;
        QTest::newRow("Wayland, DISPLAY set but no X server") << ""_ba
                                                              << "wayland"_ba
                                                              << "wayland-0"_ba
                                                              << ":5"_ba << false << "wayland"_ba;
        QTest::newRow("Wayland without XWayland") << ""_ba
                                                  << "wayland"_ba
                                                  << "wayland-0"_ba
                                                  << ""_ba << true << "wayland"_ba;
        QTest::newRow("the person's choice wins") << "wayland"_ba
                                                  << "wayland"_ba
                                                  << "wayland-0"_ba
                                                  << ":0"_ba << true << ""_ba;
    }

    void platform() {
        QFETCH(QByteArray, qpa);
        QFETCH(QByteArray, session);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, display);
        QFETCH(bool, xAnswers);
        QFETCH(QByteArray, chosen);
        const std::optional<QByteArray> platform =
            DesktopSession::platformFor({qpa, session, wayland, display}, [&](const QByteArray& d) {
                return d == display && xAnswers;
            });
        QCOMPARE(platform.value_or(QByteArray()), chosen);
    }

    void xServerProbe() {
        // Nothing listens on this display's socket.
        QVERIFY(!DesktopSession::xServerReachable(":987"_ba));
        QVERIFY(DesktopSession::placesWindows(u"xcb"_s));
        QVERIFY(!DesktopSession::placesWindows(u"wayland-egl"_s));
    }
};

QTEST_GUILESS_MAIN(DesktopSessionTest)
#include "DesktopSessionTest.moc"

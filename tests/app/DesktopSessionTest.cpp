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
        const auto row = [](const char* name, const char* qpa, const char* session,
                            const char* wayland, const char* display, bool x, const char* chosen) {
            QTest::newRow(name) << QByteArray(qpa) << QByteArray(session) << QByteArray(wayland)
                                << QByteArray(display) << x << QByteArray(chosen);
        };
        row("X11 session", "", "x11", "", ":0", true, "");
        row("Wayland with XWayland", "", "wayland", "wayland-0", ":0", true, "xcb");
        row("Wayland display without session type", "", "", "wayland-1", ":1", true, "xcb");
        row("Wayland, DISPLAY set but no X server", "", "wayland", "wayland-0", ":5", false,
            "wayland");
        row("Wayland without XWayland", "", "wayland", "wayland-0", "", true, "wayland");
        row("the person's choice wins", "wayland", "wayland", "wayland-0", ":0", true, "");
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

#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// What the desktop session offers the app: which Qt platform it runs on and
// whether it may place its own windows.
class DesktopSession {
public:
    struct Environment {
        QByteArray qpaPlatform;    // QT_QPA_PLATFORM
        QByteArray sessionType;    // XDG_SESSION_TYPE
        QByteArray waylandDisplay; // WAYLAND_DISPLAY
        QByteArray display;        // DISPLAY
    };

    // The platform to ask Qt for, or nothing to leave Qt's own choice. A
    // Wayland session with a reachable X server (XWayland) runs on xcb, where
    // the app can place the panel under the tray icon; a platform the person
    // set always wins; without XWayland the app runs natively.
    static std::optional<QByteArray>
    platformFor(const Environment& env,
                const std::function<bool(const QByteArray&)>& xServerReachable);
    // The process's own environment.
    static Environment current();
    // Whether an X server answers on a DISPLAY value (":0", ":1.0").
    static bool xServerReachable(const QByteArray& display);
    // Sets QT_QPA_PLATFORM for this process before the application starts.
    static void choosePlatform();

    // Whether windows can be placed where the app asks (not on native Wayland).
    static bool placesWindows(const QString& platformName);
};

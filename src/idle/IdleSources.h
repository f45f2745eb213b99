#pragma once

#include "idle/IdleSource.h"

#include <QDBusConnection>

#include <memory>

// Picks where idle time comes from by the desktop session the person runs
// ($XDG_SESSION_TYPE, $XDG_CURRENT_DESKTOP), not by Qt's platform: under
// XWayland the X server sees only input to X windows.
class IdleSources {
public:
    // GNOME: Mutter's idle monitor; X11 sessions: the X server; others: the
    // screen saver service where one is offered, else on Wayland the
    // compositor's idle protocol. Nothing when none answers.
    static std::unique_ptr<IdleSource> forSession(const QString& sessionType,
                                                  const QString& currentDesktop,
                                                  const QDBusConnection& sessionBus);
};

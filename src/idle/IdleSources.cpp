#include "idle/IdleSources.h"

#include "idle/DBusIdleSource.h"
#include "idle/WaylandIdleSource.h"
#include "idle/X11IdleSource.h"

using namespace Qt::StringLiterals;

std::unique_ptr<IdleSource> IdleSources::forSession(const QString& sessionType,
                                                    const QString& currentDesktop,
                                                    const QDBusConnection& sessionBus) {
    QString type = sessionType.trimmed().toLower();
    if (type.isEmpty() || type == u"tty"_s) {
        // Started outside a session manager: what the environment points at.
        type = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? u"wayland"_s
               : !qEnvironmentVariableIsEmpty("DISPLAY")       ? u"x11"_s
                                                               : QString();
    }
    const QStringList desktops = currentDesktop.toLower().split(u':', Qt::SkipEmptyParts);
    if (desktops.contains(u"gnome"_s)) {
        std::unique_ptr<DBusIdleSource> mutter = DBusIdleSource::mutter(sessionBus);
        if (mutter->offered())
            return mutter;
    }
    if (type == u"x11"_s) {
        if (std::unique_ptr<X11IdleSource> x11 = X11IdleSource::open())
            return x11;
    }
    std::unique_ptr<DBusIdleSource> screenSaver = DBusIdleSource::screenSaver(sessionBus);
    if (screenSaver->offered())
        return screenSaver;
    if (type == u"wayland"_s)
        return WaylandIdleSource::open();
    return nullptr;
}

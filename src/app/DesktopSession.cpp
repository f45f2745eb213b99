#include "app/DesktopSession.h"

#include <QFileInfo>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

// The display number of ":1", ":1.0" or "unix:1"; nothing for remote or odd
// values, which are left to Qt.
std::optional<int> localDisplayNumber(const QByteArray& display) {
    const qsizetype colon = display.lastIndexOf(':');
    if (colon < 0)
        return std::nullopt;
    const QByteArray host = display.left(colon);
    if (!host.isEmpty() && host != "unix")
        return std::nullopt;
    bool ok = false;
    const int number = display.mid(colon + 1).split('.').value(0).toInt(&ok);
    return ok && number >= 0 ? std::optional(number) : std::nullopt;
}

bool connects(const QByteArray& path, bool abstract) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const qsizetype offset = abstract ? 1 : 0;
    if (path.size() + offset >= qsizetype(sizeof(address.sun_path))) {
        ::close(fd);
        return false;
    }
    std::memcpy(address.sun_path + offset, path.constData(), size_t(path.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    ::close(fd);
    return ok;
}

} // namespace

std::optional<QByteArray>
DesktopSession::platformFor(const Environment& env,
                            const std::function<bool(const QByteArray&)>& xServerReachable) {
    if (!env.qpaPlatform.isEmpty())
        return std::nullopt; // the person's choice
    const bool wayland = env.sessionType == "wayland" || !env.waylandDisplay.isEmpty();
    if (!wayland)
        return std::nullopt;
    if (!env.display.isEmpty() && xServerReachable(env.display))
        return QByteArray("xcb");
    return QByteArray("wayland");
}

DesktopSession::Environment DesktopSession::current() {
    return Environment{qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"),
                       qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY")};
}

bool DesktopSession::xServerReachable(const QByteArray& display) {
    const std::optional<int> number = localDisplayNumber(display);
    if (!number)
        return !display.isEmpty(); // a remote display: let xcb try it
    const QByteArray path = "/tmp/.X11-unix/X" + QByteArray::number(*number);
    return connects(path, false) || connects(path, true);
}

void DesktopSession::choosePlatform() {
    if (const std::optional<QByteArray> platform = platformFor(current(), &xServerReachable))
        qputenv("QT_QPA_PLATFORM", *platform);
}

bool DesktopSession::placesWindows(const QString& platformName) {
    return !platformName.startsWith(QStringLiteral("wayland"));
}

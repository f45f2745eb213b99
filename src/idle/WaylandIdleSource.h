#pragma once

#include "idle/IdleSource.h"

#include <QSocketNotifier>

#include <cstdint>
#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

// Idle time from the Wayland compositor, on a connection of its own to
// $WAYLAND_DISPLAY: ext-idle-notify-v1 where it is offered, else KDE's
// org_kde_kwin_idle (which sway 1.7 offers too). The compositor says when the
// person went idle and came back; nothing is polled.
class WaylandIdleSource : public IdleSource {
    Q_OBJECT
public:
    ~WaylandIdleSource() override;

    // Nothing without a compositor, a seat or either protocol.
    static std::unique_ptr<WaylandIdleSource> open();

    QString name() const override;
    void watch(int msecs) override;

    // The compositor's callbacks; `self` is the source.
    static void global(void* self, wl_registry* registry, uint32_t id, const char* interface,
                       uint32_t version);
    static void idled(void* self, void*);
    static void resumed(void* self, void*);

private:
    explicit WaylandIdleSource(wl_display* display);

    void dispatch();
    void release();

    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    ext_idle_notifier_v1* m_notifier = nullptr;
    ext_idle_notification_v1* m_notification = nullptr;
    org_kde_kwin_idle* m_kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* m_kdeTimeout = nullptr;
    std::unique_ptr<QSocketNotifier> m_readable;
    int m_msecs = 0;
};

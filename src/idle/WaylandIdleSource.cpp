#include "idle/WaylandIdleSource.h"

#include "model/Clock.h"

#include "ext-idle-notify-v1-client.h"
#include "kde-idle-client.h"

#include <wayland-client.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const wl_registry_listener registryListener = {
    [](void* self, wl_registry* registry, uint32_t id, const char* interface, uint32_t version) {
        WaylandIdleSource::global(self, registry, id, interface, version);
    },
    [](void*, wl_registry*, uint32_t) {},
};

// Both protocols' idle objects have the same two events.
const ext_idle_notification_v1_listener notificationListener = {
    [](void* self, ext_idle_notification_v1* n) { WaylandIdleSource::idled(self, n); },
    [](void* self, ext_idle_notification_v1* n) { WaylandIdleSource::resumed(self, n); },
};
const org_kde_kwin_idle_timeout_listener kdeTimeoutListener = {
    [](void* self, org_kde_kwin_idle_timeout* t) { WaylandIdleSource::idled(self, t); },
    [](void* self, org_kde_kwin_idle_timeout* t) { WaylandIdleSource::resumed(self, t); },
};

} // namespace

WaylandIdleSource::WaylandIdleSource(wl_display* display)
    : m_display(display) {}

WaylandIdleSource::~WaylandIdleSource() {
    release();
    if (m_notifier)
        ext_idle_notifier_v1_destroy(m_notifier);
    if (m_kdeIdle)
        org_kde_kwin_idle_destroy(m_kdeIdle);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

std::unique_ptr<WaylandIdleSource> WaylandIdleSource::open() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandIdleSource> source(new WaylandIdleSource(display));
    source->m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(source->m_registry, &registryListener, source.get());
    // One round trip to a local compositor, once at start.
    if (wl_display_roundtrip(display) < 0 || !source->m_seat ||
        (!source->m_notifier && !source->m_kdeIdle))
        return nullptr;
    source->m_readable =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    connect(source->m_readable.get(), &QSocketNotifier::activated, source.get(),
            &WaylandIdleSource::dispatch);
    return source;
}

void WaylandIdleSource::global(void* self, wl_registry* registry, uint32_t id,
                               const char* interface, uint32_t) {
    auto* source = static_cast<WaylandIdleSource*>(self);
    const auto bind = [&](const wl_interface& wanted) {
        return wl_registry_bind(registry, id, &wanted, 1);
    };
    if (!source->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        source->m_seat = static_cast<wl_seat*>(bind(wl_seat_interface));
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        source->m_notifier =
            static_cast<ext_idle_notifier_v1*>(bind(ext_idle_notifier_v1_interface));
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        source->m_kdeIdle = static_cast<org_kde_kwin_idle*>(bind(org_kde_kwin_idle_interface));
}

QString WaylandIdleSource::name() const {
    return m_notifier ? u"the Wayland compositor (ext-idle-notify-v1)"_s
                      : u"the Wayland compositor (org_kde_kwin_idle)"_s;
}

void WaylandIdleSource::watch(int msecs) {
    release();
    m_msecs = msecs;
    if (m_notifier) {
        m_notification =
            ext_idle_notifier_v1_get_idle_notification(m_notifier, uint32_t(msecs), m_seat);
        ext_idle_notification_v1_add_listener(m_notification, &notificationListener, this);
    } else {
        m_kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_kdeIdle, m_seat, uint32_t(msecs));
        org_kde_kwin_idle_timeout_add_listener(m_kdeTimeout, &kdeTimeoutListener, this);
    }
    wl_display_flush(m_display);
}

void WaylandIdleSource::idled(void* self, void*) {
    auto* source = static_cast<WaylandIdleSource*>(self);
    Q_EMIT source->idleSince(Clock::now().addMSecs(-source->m_msecs));
}

void WaylandIdleSource::resumed(void* self, void*) {
    Q_EMIT static_cast<WaylandIdleSource*>(self)->inputResumed();
}

void WaylandIdleSource::dispatch() {
    // The compositor went away: no more idle time from it.
    if (wl_display_dispatch(m_display) < 0)
        m_readable->setEnabled(false);
}

void WaylandIdleSource::release() {
    if (m_notification)
        ext_idle_notification_v1_destroy(std::exchange(m_notification, nullptr));
    if (m_kdeTimeout)
        org_kde_kwin_idle_timeout_release(std::exchange(m_kdeTimeout, nullptr));
}

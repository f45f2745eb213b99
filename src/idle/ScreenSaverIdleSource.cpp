#include "idle/ScreenSaverIdleSource.h"

using namespace Qt::StringLiterals;

ScreenSaverIdleSource::ScreenSaverIdleSource(const QDBusConnection& bus, QObject* parent)
    : PolledIdleSource(parent)
    , m_query(bus, u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s,
              u"org.freedesktop.ScreenSaver"_s, u"GetSessionIdleTime"_s) {}

QString ScreenSaverIdleSource::name() const {
    return u"the screen saver service (org.freedesktop.ScreenSaver)"_s;
}

void ScreenSaverIdleSource::query(Answer answer) {
    m_query.ask(this, std::move(answer));
}

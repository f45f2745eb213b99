#include "idle/MutterIdleSource.h"

using namespace Qt::StringLiterals;

MutterIdleSource::MutterIdleSource(const QDBusConnection& bus, QObject* parent)
    : PolledIdleSource(parent)
    , m_query(bus, u"org.gnome.Mutter.IdleMonitor"_s, u"/org/gnome/Mutter/IdleMonitor/Core"_s,
              u"org.gnome.Mutter.IdleMonitor"_s, u"GetIdletime"_s) {}

QString MutterIdleSource::name() const {
    return u"GNOME (org.gnome.Mutter.IdleMonitor)"_s;
}

void MutterIdleSource::query(Answer answer) {
    m_query.ask(this, std::move(answer));
}

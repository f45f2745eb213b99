#include "ui/panel/SyncLine.h"

#include "model/Time.h"

using namespace Qt::StringLiterals;

QString SyncLine::age(double seconds) {
    if (seconds < 45)
        return u"just now"_s;
    if (seconds < 3600)
        return QString::number(qint64(seconds / 60)) + u" min ago"_s;
    if (seconds < 86400)
        return QString::number(qint64(seconds / 3600)) + u" h ago"_s;
    return QString::number(qint64(seconds / 86400)) + u" d ago"_s;
}

SyncLine::State SyncLine::compute(const Settings& settings,
                                  const std::optional<SyncSummary>& lastSync, int pendingCount,
                                  const QDateTime& now) {
    if (settings.server.isEmpty() || settings.apiKey.isEmpty())
        return {Tone::Tertiary, u"Not configured"_s};
    if (lastSync && !lastSync->online)
        return {Tone::Stop, u"Offline · "_s + QString::number(pendingCount) + u" pending"_s};
    if (lastSync && lastSync->error)
        return {Tone::Stop, *lastSync->error};
    if (const std::optional<QDateTime> last = Time::parse(settings.lastSync)) {
        const double elapsed = double(last->msecsTo(now)) / 1000.0;
        QString text = u"Synced "_s + age(elapsed);
        if (pendingCount >= 1)
            text += u" · "_s + QString::number(pendingCount) + u" pending"_s;
        return {pendingCount < 1 ? Tone::Green : Tone::Orange, text};
    }
    return {Tone::Orange, u"Waiting for the first sync…"_s};
}

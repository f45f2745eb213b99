#include "app/TrayTitle.h"

#include "model/Time.h"

QString TrayTitle::text(const std::optional<Entry>& running, const QDateTime& now) {
    if (!running)
        return QString();
    return u' ' + Time::menuBar(running->duration(now));
}

QString TrayTitle::tooltip(const QString& title) {
    return QStringLiteral("Zevra Tikit") + title;
}

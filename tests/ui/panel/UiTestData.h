#pragma once

#include "model/Entry.h"
#include "model/Time.h"

#include <QCoreApplication>

// Records for the panel tests.
namespace UiTestData {

inline Entry entry(const QString& id, const QString& description, const QDateTime& start,
                   const std::optional<QDateTime>& end,
                   const std::optional<QString>& clientId = std::nullopt) {
    Entry e;
    e.id = id;
    e.description = description;
    e.startedAt = Time::iso(start);
    if (end)
        e.endedAt = Time::iso(*end);
    e.clientId = clientId;
    e.syncState = Entry::synced;
    return e;
}

// 2026-01-05 09:30 UTC, the clock of TestEnv, plus an offset in minutes.
inline QDateTime at(int minutes) {
    return QDateTime(QDate(2026, 1, 5), QTime(9, 30), Qt::UTC).addSecs(qint64(minutes) * 60);
}

// Lets layouts and deferred deletions run.
inline void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

} // namespace UiTestData

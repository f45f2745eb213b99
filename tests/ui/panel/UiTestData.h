#pragma once

#include "model/Entry.h"
#include "model/Time.h"

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

} // namespace UiTestData

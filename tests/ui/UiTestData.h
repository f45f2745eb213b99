#pragma once

#include "model/Client.h"
#include "model/Entry.h"
#include "model/Time.h"

#include <QDateTime>

#include <optional>

// Records for the panel tests.
namespace UiTestData {

inline Entry entry(const QString& id, const QString& description, const QDateTime& start,
                   const std::optional<QDateTime>& end,
                   const std::optional<QString>& clientId = std::nullopt,
                   const QString& syncState = Entry::synced) {
    Entry e;
    e.id = id;
    e.description = description;
    e.startedAt = Time::iso(start);
    if (end)
        e.endedAt = Time::iso(*end);
    e.clientId = clientId;
    e.syncState = syncState;
    e.updatedAt = e.startedAt;
    return e;
}

inline Client client(const QString& id, const QString& name, const QString& color) {
    Client c;
    c.id = id;
    c.name = name;
    c.color = color;
    return c;
}

// 2026-01-05 09:30 UTC, the clock of TestEnv, plus an offset in minutes.
inline QDateTime at(int minutes) {
    return QDateTime(QDate(2026, 1, 5), QTime(9, 30), Qt::UTC).addSecs(qint64(minutes) * 60);
}

} // namespace UiTestData

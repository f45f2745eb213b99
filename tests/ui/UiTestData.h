#pragma once

#include "model/Client.h"
#include "model/Db.h"
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

// A small but varied database for whole-panel renders: three days, a group,
// a pending entry, one without description and one with an unknown client.
inline void seedSample(Db& db) {
    db.settings.server = QStringLiteral("http://127.0.0.1:8080");
    db.settings.apiKey = QStringLiteral("secret");
    db.settings.lastSync = Time::iso(at(-3));
    db.clients = {
        client(QStringLiteral("c1"), QStringLiteral("Acme Corporation"), QStringLiteral("#22c55e")),
        client(QStringLiteral("c2"), QStringLiteral("Northwind"), QStringLiteral("#3b82f6"))};
    const QString acme = QStringLiteral("c1");
    const QString north = QStringLiteral("c2");
    db.entries = {
        entry(QStringLiteral("d3a"), QStringLiteral("Quarterly planning"), at(-2 * 1440 - 120),
              at(-2 * 1440 - 30), north),
        entry(QStringLiteral("d2a"), QStringLiteral("Support tickets"), at(-1440 - 200),
              at(-1440 - 150), acme),
        entry(QStringLiteral("d2b"), QString(), at(-1440 - 140), at(-1440 - 120)),
        entry(QStringLiteral("d2c"), QStringLiteral("Invoice review"), at(-1440 - 100),
              at(-1440 - 40), QStringLiteral("gone")),
        entry(QStringLiteral("d1a"), QStringLiteral("Report writing"), at(-180), at(-150), acme),
        entry(QStringLiteral("d1b"), QStringLiteral("report writing "), at(-140), at(-100), acme),
        entry(QStringLiteral("d1c"), QStringLiteral("Report Writing"), at(-90), at(-60), acme),
        entry(QStringLiteral("d1d"), QStringLiteral("Standup with the design team"), at(-50),
              at(-35), north, Entry::pending),
    };
}

} // namespace UiTestData

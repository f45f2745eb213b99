#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class JsonWriter;

// A time entry as the server stores it. Instants are seconds since the epoch.
struct ServerEntry {
    qint64 id = 0;
    qint64 userId = 0;
    // The local id under which the owner's device first sent it.
    QString ref;
    std::optional<qint64> clientId;
    QString description;
    qint64 startedAt = 0;
    std::optional<qint64> endedAt;
    qint64 updatedAt = 0;
    // Stored picture paths "yyyy/MM/<hex>.<ext>", in order.
    QStringList screenshots;

    // The entry as the sync reply lists it.
    void write(JsonWriter& out) const;
};

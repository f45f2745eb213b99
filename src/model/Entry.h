#pragma once

#include "model/Screenshot.h"

#include <QDateTime>
#include <QJsonObject>

class JsonTextWriter;
#include <QList>
#include <QString>

#include <optional>

// One tracked period of work.
struct Entry {
    static inline const QString pending = QStringLiteral("pending");
    static inline const QString synced = QStringLiteral("synced");

    QString id;
    std::optional<qint64> serverId;
    std::optional<QString> clientId;
    QString description;
    QString startedAt;
    std::optional<QString> endedAt;
    std::optional<QList<Screenshot>> screenshots;
    std::optional<QString> screenshotFile;
    std::optional<QString> screenshotUrl;
    bool screenshotPendingUpload = false;
    bool screenshotCleared = false;
    QString updatedAt;
    QString syncState = pending;
    bool deleted = false;

    // Not a tombstone and without an end.
    bool isRunning() const { return !deleted && !endedAt.has_value(); }
    // Length in seconds: end (or `now` while running or unreadable) minus start;
    // 0 when the start cannot be read; negative when the end lies before it.
    double duration(const QDateTime& now) const;
    double duration() const;

    QJsonObject toJson() const;
    // The same members streamed in the database file's layout.
    void writeJson(JsonTextWriter& writer) const;
    static std::optional<Entry> fromJson(const QJsonValue& value);

    bool operator==(const Entry&) const = default;
};

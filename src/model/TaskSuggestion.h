#pragma once

#include <QJsonObject>

class JsonTextWriter;
#include <QString>

#include <optional>

// An earlier task as the server ranks it for this user.
struct TaskSuggestion {
    QString description;
    qint64 uses = 0;
    std::optional<QString> lastUsed;
    // The client's server id, not the local one.
    std::optional<qint64> clientId;
    std::optional<QString> clientName;
    std::optional<QString> clientColor;

    QJsonObject toJson() const;
    // The same members streamed in the database file's layout.
    void writeJson(JsonTextWriter& writer) const;
    static std::optional<TaskSuggestion> fromJson(const QJsonValue& value);

    bool operator==(const TaskSuggestion&) const = default;
};

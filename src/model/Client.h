#pragma once

#include <QJsonObject>

class JsonTextWriter;
#include <QString>

#include <optional>

// A customer or project that entries are tagged with.
struct Client {
    QString id;
    std::optional<qint64> serverId;
    QString name;
    QString color = QStringLiteral("#8b5cf6");
    bool archived = false;
    QString syncState = QStringLiteral("synced");

    QJsonObject toJson() const;
    // The same members streamed in the database file's layout.
    void writeJson(JsonTextWriter& writer) const;
    static std::optional<Client> fromJson(const QJsonValue& value);

    bool operator==(const Client&) const = default;
};

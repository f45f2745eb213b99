#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

class JsonTextWriter;

#include <optional>

// A customer or project that entries are tagged with.
struct Client {
    QString id;
    std::optional<qint64> serverId;
    QString name;
    QString color = QStringLiteral("#8b5cf6");
    bool archived = false;
    QString syncState = QStringLiteral("synced");
    // The fields changed here that the server has not confirmed yet ("name",
    // "color", "archived"); written to the file only when there are some.
    QStringList changed{};

    static inline const QString nameField = QStringLiteral("name");
    static inline const QString colorField = QStringLiteral("color");
    static inline const QString archivedField = QStringLiteral("archived");

    // Whether a change of this client is on its way to the server by its own
    // call (the server knows the client, and fields of it changed here).
    bool hasChangesToSend() const {
        return serverId && syncState != QStringLiteral("synced") && !changed.isEmpty();
    }
    // The fields in which two clients differ; colours compare without regard
    // to case.
    static QStringList differences(const Client& a, const Client& b);

    QJsonObject toJson() const;
    // The same members streamed in the database file's layout.
    void writeJson(JsonTextWriter& writer) const;
    static std::optional<Client> fromJson(const QJsonValue& value);

    bool operator==(const Client&) const = default;
};

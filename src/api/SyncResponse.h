#pragma once

#include "model/TaskSuggestion.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The server's answer to one sync request.
struct SyncResponse {
    // The caller's own account.
    struct UserDTO {
        qint64 id = 0;
        QString name;
        bool isAdmin = false;
        static std::optional<UserDTO> fromJson(const QJsonValue& value);
    };

    // A client as the server knows it.
    struct ClientDTO {
        qint64 id = 0;
        QString name;
        QString color;
        bool archived = false;
        static std::optional<ClientDTO> fromJson(const QJsonValue& value);
    };

    // An entry as the server knows it.
    struct EntryDTO {
        qint64 id = 0;
        std::optional<qint64> userId;
        std::optional<qint64> clientId;
        QString description;
        QString startedAt;
        std::optional<QString> endedAt;
        std::optional<qint64> duration;
        std::optional<QString> screenshot; // older single-picture form
        std::optional<QList<QString>> screenshots;
        QString updatedAt;
        static std::optional<EntryDTO> fromJson(const QJsonValue& value);
    };

    // The answer to one object of the request's `pending`.
    struct ResultDTO {
        QString ref;
        std::optional<qint64> serverId;
        std::optional<bool> deleted;
        std::optional<QString> error;
        std::optional<QList<QString>> screenshots;
        // Places, in the request's `screenshots`, of uploads the server did
        // not store.
        std::optional<QList<qint64>> refused;
        static std::optional<ResultDTO> fromJson(const QJsonValue& value);
    };

    bool ok = false;
    std::optional<QString> error;
    std::optional<UserDTO> user;
    std::optional<QList<ClientDTO>> clients;
    std::optional<QList<EntryDTO>> entries;
    std::optional<QList<qint64>> deletedEntries;
    std::optional<QList<ResultDTO>> results;
    std::optional<QList<TaskSuggestion>> tasks;
    std::optional<QString> serverTime;
    // The largest request body the server accepts, in bytes.
    std::optional<qint64> maxBody;

    static std::optional<SyncResponse> fromJson(const QJsonValue& value);
    static std::optional<SyncResponse> decode(const QByteArray& body);
};

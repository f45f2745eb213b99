#pragma once

#include "model/Client.h"
#include "model/Entry.h"
#include "model/Settings.h"
#include "model/TaskSuggestion.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The whole local database, one per data folder.
struct Db {
    Settings settings;
    QList<Client> clients;
    QList<Entry> entries;
    QList<TaskSuggestion> tasks;

    // Entries and clients whose changes the server has not confirmed yet.
    int pendingCount() const;

    QJsonObject toJson() const;
    static std::optional<Db> fromJson(const QJsonValue& value);

    // The file form: indented JSON with sorted keys.
    QByteArray encode() const;
    static std::optional<Db> decode(const QByteArray& bytes);

    bool operator==(const Db&) const = default;
};

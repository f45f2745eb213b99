#pragma once

#include "model/AwayQuestion.h"
#include "model/Client.h"
#include "model/Entry.h"
#include "model/Settings.h"
#include "model/TaskSuggestion.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

class EntryTextCache;

// The whole local database, one per data folder.
struct Db {
    Settings settings;
    QList<Client> clients;
    QList<Entry> entries;
    QList<TaskSuggestion> tasks;
    // The last input before the person went away while an entry ran, until
    // they come back.
    std::optional<QString> awaySince;
    // Away time waiting for the person's answer.
    std::optional<AwayQuestion> away;
    // The entry whose long run was already noted: once per entry.
    std::optional<QString> longTimerNoted;

    // Entries and clients whose changes the server has not confirmed yet.
    int pendingCount() const;

    QJsonObject toJson() const;
    static std::optional<Db> fromJson(const QJsonValue& value);

    // The file form: indented JSON with sorted keys. With a cache, entries that
    // did not change since the last encoding are not encoded again.
    QByteArray encode(EntryTextCache* cache = nullptr) const;
    static std::optional<Db> decode(const QByteArray& bytes);
    // For a status bar, which asks every second: from db.json's bytes, only
    // the running entry, the clients and the away keys (nothing when the file is not in
    // this app's own layout, and the caller decodes it whole).
    static std::optional<Db> runningOnly(QByteArrayView bytes);

    bool operator==(const Db&) const = default;
};

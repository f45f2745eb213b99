#pragma once

#include <QString>

#include <optional>

// The outcome of one sync run.
struct SyncSummary {
    // False only when the server could not be reached.
    bool online = false;
    std::optional<QString> error;
    // Local changes still waiting after the run.
    int pending = 0;
    std::optional<QString> serverTime;

    // A sync that changed nothing: pending 0, no server time.
    static SyncSummary failure(const QString& message, bool online = true) {
        return SyncSummary{online, message, 0, std::nullopt};
    }

    bool operator==(const SyncSummary&) const = default;
};

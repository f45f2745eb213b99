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

    bool operator==(const SyncSummary&) const = default;
};

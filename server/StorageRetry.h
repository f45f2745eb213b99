#pragma once

#include "HttpAnswer.h"
#include "Storage.h"
#include "StorageError.h"

#include <QDebug>

// Runs `attempt` (which answers one request) again when the database reports
// a race lost to another connection changing the same rows, or a connection
// that was lost and could be opened again; a 500 answer when it keeps failing.
template <typename Attempt>
HttpAnswer retryingStorage(Storage& storage, Attempt attempt) {
    constexpr int attempts = 5;
    for (int n = 1;; ++n) {
        try {
            return attempt();
        } catch (const StorageError& e) {
            if (n < attempts && (e.isConflict() || storage.reconnect()))
                continue;
            qWarning().noquote() << "zevra-server:" << e.message();
            return HttpAnswer::error(500, QStringLiteral("Internal server error"));
        }
    }
}

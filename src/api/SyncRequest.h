#pragma once

#include "api/SyncSnapshot.h"
#include "model/Db.h"

class Store;

#include <QJsonObject>
#include <QString>

// Builds the body of a sync request: `since`, every pending entry (with new
// pictures inline as Base64) and every new client.
class SyncRequest {
public:
    // `snapshot`, when given, receives copies of the records the body carries.
    static QJsonObject body(const Store& store, SyncSnapshot* snapshot = nullptr);
    // The object of one pending entry.
    static QJsonObject pendingEntry(const Entry& entry, const Client* client, const Store& store);
};

#pragma once

#include "api/SyncSnapshot.h"
#include "model/Db.h"

#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>

class Store;

// Builds the bodies of sync requests: `since`, pending entries (with new
// pictures inline as Base64) and new clients. Pending entries travel in
// batches that keep each request under a size the server accepts.
class SyncRequest {
public:
    // The body for the pending entries named in `only` (all of them when
    // absent); new clients only when `withNewClients`. `snapshot`, when given,
    // receives copies of the records the body carries.
    static QJsonObject body(const Store& store, SyncSnapshot* snapshot = nullptr,
                            const QSet<QString>* only = nullptr, bool withNewClients = true);
    // The object of one pending entry; `sent` receives its pictures as listed.
    static QJsonObject pendingEntry(const Entry& entry, const Client* client, const Store& store,
                                    QList<Screenshot>* sent = nullptr);

    // The next pending entries to send, in database order and leaving out
    // `done`, whose request stays within `budget` bytes. The first entry goes
    // even when it alone is larger. Empty when nothing is left.
    static QSet<QString> nextBatch(const Store& store, qint64 budget, const QSet<QString>& done);
    // About what an entry adds to a request body, pictures as Base64 included.
    static qint64 estimatedSize(const Entry& entry, const Store& store);
};

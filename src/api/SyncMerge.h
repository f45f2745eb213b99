#pragma once

#include "api/SyncResponse.h"
#include "api/SyncSnapshot.h"
#include "model/Db.h"

#include <QHash>
#include <QList>
#include <QString>

// Applies a sync reply to the database, step by step: clients, results, purge
// of acknowledged deletions, server entries, server deletions, tasks, user,
// clock. Look-ups are hashed but give the same first matches as a walk of the
// lists would.
class SyncMerge {
public:
    struct ColorUpload {
        qint64 serverId;
        QString color;
    };

    SyncMerge(Db& db, const SyncSnapshot* snapshot);
    void apply(const SyncResponse& response);

    // Clients that received their server id while a local colour change was in
    // flight: their colour must still reach the server.
    const QList<ColorUpload>& colorUploads() const { return m_colorUploads; }

    // The server path kept from a picture address (see Store::reduceServerPath).
    static Screenshot serverShot(const QString& path);

private:
    void mergeClients(const QList<SyncResponse::ClientDTO>& clients);
    void applyResults(const QList<SyncResponse::ResultDTO>& results);
    void purgeAcknowledgedDeletions();
    void mergeEntries(const QList<SyncResponse::EntryDTO>& entries);
    void dropServerDeletions(const QList<qint64>& deleted);

    bool changedInFlight(const Entry& entry) const;
    bool changedInFlight(const Client& client) const;
    void indexEntries();

    Db& m_db;
    const SyncSnapshot* m_snapshot;
    QHash<qint64, int> m_clientByServerId;
    QHash<QString, int> m_entryById;
    QHash<qint64, int> m_entryByServerId;
    QList<ColorUpload> m_colorUploads;
};

#pragma once

#include "api/SyncResponse.h"
#include "api/SyncSnapshot.h"
#include "model/Db.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Applies a sync reply to the database, step by step: clients, results, purge
// of acknowledged deletions, server entries, server deletions, tasks, user,
// clock. Look-ups are hashed but give the same first matches as a walk of the
// lists would.
class SyncMerge {
public:
    SyncMerge(Db& db, const SyncSnapshot* snapshot);
    void apply(const SyncResponse& response);

    // What the server said about records it did not take whole (a refused
    // picture, for example), once each.
    const QStringList& problems() const { return m_problems; }

    // The server path kept from a picture address (see Store::reduceServerPath).
    static Screenshot serverShot(const QString& path);
    // An entry's pictures after the server answered the `sent` ones with the
    // `stored` paths: uploads it refused (by their place in the request) stay
    // local files in their places.
    static QList<Screenshot> storedShots(const QList<Screenshot>& sent, const QStringList& stored,
                                         const std::optional<QList<qint64>>& refused);

private:
    void indexClients();
    void mergeClients(const QList<SyncResponse::ClientDTO>& clients);
    void applyResults(const QList<SyncResponse::ResultDTO>& results);
    void purgeAcknowledgedDeletions();
    void mergeEntries(const QList<SyncResponse::EntryDTO>& entries);
    void dropServerDeletions(const QList<qint64>& deleted);

    void rememberDeletedInFlight(const SyncResponse::ResultDTO& result);
    QList<Screenshot> sentShots(const Entry& entry) const;
    static QList<Screenshot> withLocalOnly(QList<Screenshot> serverShots,
                                           const std::optional<QList<Screenshot>>& local);

    bool changedInFlight(const Entry& entry) const;
    // The fields of a client changed since the request carried it.
    QStringList changedInFlight(const Client& client) const;
    QString sentName(const Client& client) const;
    void indexEntries();

    Db& m_db;
    const SyncSnapshot* m_snapshot;
    QHash<qint64, int> m_clientByServerId;
    QHash<QString, int> m_entryById;
    QHash<qint64, int> m_entryByServerId;
    QStringList m_problems;
};

#include "api/SyncMerge.h"

#include "model/Store.h"

#include <QSet>

SyncMerge::SyncMerge(Db& db, const SyncSnapshot* snapshot)
    : m_db(db)
    , m_snapshot(snapshot) {}

Screenshot SyncMerge::serverShot(const QString& path) {
    return Screenshot{Store::reduceServerPath(path), std::nullopt};
}

bool SyncMerge::changedInFlight(const Entry& entry) const {
    if (!m_snapshot)
        return false;
    const auto it = m_snapshot->entries.constFind(entry.id);
    return it != m_snapshot->entries.constEnd() && !(*it == entry);
}

QStringList SyncMerge::changedInFlight(const Client& client) const {
    if (!m_snapshot)
        return {};
    const auto it = m_snapshot->clients.constFind(client.id);
    return it == m_snapshot->clients.constEnd() ? QStringList() : Client::differences(*it, client);
}

QString SyncMerge::sentName(const Client& client) const {
    if (m_snapshot) {
        const auto it = m_snapshot->clients.constFind(client.id);
        if (it != m_snapshot->clients.constEnd())
            return it->name;
    }
    return client.name;
}

void SyncMerge::apply(const SyncResponse& response) {
    indexClients();
    if (response.clients)
        mergeClients(*response.clients);
    indexEntries();
    if (response.results)
        applyResults(*response.results);
    purgeAcknowledgedDeletions();
    if (response.entries)
        mergeEntries(*response.entries);
    if (response.deletedEntries)
        dropServerDeletions(*response.deletedEntries);
    if (response.tasks)
        m_db.tasks = *response.tasks;
    if (response.user) {
        m_db.settings.userId = response.user->id;
        m_db.settings.userName = response.user->name;
        m_db.settings.isAdmin = response.user->isAdmin;
    }
    m_db.settings.lastSync = response.serverTime;
}

void SyncMerge::indexClients() {
    m_clientByServerId.clear();
    const QList<Client>& local = m_db.clients;
    for (int i = 0; i < local.size(); ++i) {
        if (local[i].serverId && !m_clientByServerId.contains(*local[i].serverId))
            m_clientByServerId.insert(*local[i].serverId, i);
    }
}

void SyncMerge::mergeClients(const QList<SyncResponse::ClientDTO>& clients) {
    QList<Client>& local = m_db.clients;
    // Clients without a server id, by lower-cased name (the name a request
    // carried them under), in list order.
    QHash<QString, QList<int>> unsyncedByName;
    for (int i = 0; i < local.size(); ++i) {
        if (!local[i].serverId)
            unsyncedByName[sentName(local[i]).toLower()].append(i);
    }

    for (const SyncResponse::ClientDTO& dto : clients) {
        int index = m_clientByServerId.value(dto.id, -1);
        if (index < 0) {
            auto named = unsyncedByName.find(dto.name.toLower());
            if (named != unsyncedByName.end() && !named->isEmpty()) {
                index = named->takeFirst();
                m_clientByServerId.insert(dto.id, index);
            }
        }
        if (index < 0) {
            Client created;
            created.id = QStringLiteral("srv") + QString::number(dto.id);
            created.serverId = dto.id;
            created.name = dto.name;
            created.color = dto.color;
            created.archived = dto.archived;
            created.syncState = Entry::synced;
            local.append(created);
            m_clientByServerId.insert(dto.id, int(local.size() - 1));
            continue;
        }

        Client& client = local[index];
        // A change under way by its own call: the server's answer settles it.
        if (client.hasChangesToSend())
            continue;
        // A client just created keeps what changed here that its creation did
        // not carry: changes made while the request was under way, and an
        // archiving. Those go by their own call from now on.
        QStringList kept;
        if (!client.serverId) {
            kept = changedInFlight(client);
            if (client.changed.contains(Client::archivedField) &&
                !kept.contains(Client::archivedField))
                kept.append(Client::archivedField);
        }
        Client server = client;
        server.name = dto.name;
        server.color = dto.color;
        server.archived = dto.archived;
        client.serverId = dto.id;
        if (!kept.contains(Client::nameField))
            client.name = dto.name;
        if (!kept.contains(Client::colorField))
            client.color = dto.color;
        if (!kept.contains(Client::archivedField))
            client.archived = dto.archived;
        client.changed = Client::differences(client, server);
        client.syncState = client.changed.isEmpty() ? Entry::synced : Entry::pending;
    }
}

void SyncMerge::indexEntries() {
    m_entryById.clear();
    m_entryByServerId.clear();
    const QList<Entry>& entries = m_db.entries;
    for (int i = 0; i < entries.size(); ++i) {
        if (!m_entryById.contains(entries[i].id))
            m_entryById.insert(entries[i].id, i);
        if (entries[i].serverId && !m_entryByServerId.contains(*entries[i].serverId))
            m_entryByServerId.insert(*entries[i].serverId, i);
    }
}

void SyncMerge::applyResults(const QList<SyncResponse::ResultDTO>& results) {
    for (const SyncResponse::ResultDTO& result : results) {
        if (result.error && !result.error->isEmpty() && !m_problems.contains(*result.error))
            m_problems.append(*result.error);
        const int index = m_entryById.value(result.ref, -1);
        if (index < 0) {
            rememberDeletedInFlight(result);
            continue;
        }
        Entry& entry = m_db.entries[index];
        if (result.deleted.value_or(false)) {
            entry.deleted = true;
            entry.syncState = Entry::synced;
            continue;
        }
        if (changedInFlight(entry)) {
            // The server has the version the request carried; the newer local
            // one goes with the next sync under the id the server gave.
            if (result.serverId)
                entry.serverId = result.serverId;
            continue;
        }
        if (result.serverId)
            entry.serverId = result.serverId;
        if (result.screenshots)
            entry.screenshots = storedShots(sentShots(entry), *result.screenshots, result.refused);
        entry.screenshotFile.reset();
        entry.screenshotUrl.reset();
        entry.screenshotPendingUpload = false;
        entry.screenshotCleared = false;
        entry.syncState = Entry::synced;
    }
}

void SyncMerge::rememberDeletedInFlight(const SyncResponse::ResultDTO& result) {
    // The entry was removed here while its first request was under way: the
    // server now has it, so it stays as a tombstone until the deletion has
    // reached the server too.
    if (!m_snapshot || !result.serverId || result.deleted.value_or(false))
        return;
    const auto sent = m_snapshot->entries.constFind(result.ref);
    if (sent == m_snapshot->entries.constEnd() || sent->deleted)
        return;
    Entry tombstone = *sent;
    tombstone.serverId = result.serverId;
    tombstone.deleted = true;
    tombstone.screenshots.reset();
    tombstone.syncState = Entry::pending;
    m_db.entries.append(tombstone);
    m_entryById.insert(tombstone.id, int(m_db.entries.size() - 1));
}

QList<Screenshot> SyncMerge::sentShots(const Entry& entry) const {
    if (m_snapshot) {
        const auto sent = m_snapshot->sentShots.constFind(entry.id);
        if (sent != m_snapshot->sentShots.constEnd())
            return *sent;
    }
    return entry.screenshots.value_or(QList<Screenshot>());
}

QList<Screenshot> SyncMerge::storedShots(const QList<Screenshot>& sent, const QStringList& stored,
                                         const std::optional<QList<qint64>>& refused) {
    // The server answers the pictures it kept and stored, in the order they
    // were sent, and names the uploads it refused by their place in the
    // request. A refused upload stays a local file on the entry.
    QStringList paths;
    paths.reserve(stored.size());
    for (const QString& path : stored)
        paths.append(Store::reduceServerPath(path));

    qsizetype sentPictures = 0;
    for (const Screenshot& shot : sent)
        sentPictures += shot.server || shot.file ? 1 : 0;
    // Without the server's word on refusals, uploads can be matched to new
    // paths only when none is missing; otherwise every upload stays local too
    // (a copy too many rather than a picture lost).
    const bool matchable = refused || paths.size() >= sentPictures;

    QList<Screenshot> shots;
    QList<Screenshot> local;
    qsizetype next = 0;
    for (qsizetype i = 0; i < sent.size(); ++i) {
        const Screenshot& shot = sent[i];
        if (shot.server) {
            const QString kept = Store::reduceServerPath(*shot.server);
            if (next < paths.size() && paths[next] == kept)
                shots.append(Screenshot{paths[next++], std::nullopt});
            continue;
        }
        if (!shot.file)
            continue;
        const bool wasRefused = refused && refused->contains(i);
        if (matchable && !wasRefused && next < paths.size())
            shots.append(Screenshot{paths[next++], std::nullopt});
        else if (matchable)
            shots.append(Screenshot{std::nullopt, shot.file});
        else
            local.append(Screenshot{std::nullopt, shot.file});
    }
    for (; next < paths.size(); ++next)
        shots.append(Screenshot{paths[next], std::nullopt});
    return shots + local;
}

QList<Screenshot> SyncMerge::withLocalOnly(QList<Screenshot> serverShots,
                                           const std::optional<QList<Screenshot>>& local) {
    // Pictures the server refused are kept until the person removes them.
    for (const Screenshot& shot : local.value_or(QList<Screenshot>())) {
        if (shot.file && !shot.server)
            serverShots.append(shot);
    }
    return serverShots;
}

void SyncMerge::purgeAcknowledgedDeletions() {
    m_db.entries.removeIf([](const Entry& e) { return e.deleted && e.syncState == Entry::synced; });
    // Positions moved and the results gave out server ids: index afresh.
    indexEntries();
}

void SyncMerge::mergeEntries(const QList<SyncResponse::EntryDTO>& entries) {
    for (const SyncResponse::EntryDTO& dto : entries) {
        std::optional<QString> clientId;
        if (dto.clientId) {
            const int c = m_clientByServerId.value(*dto.clientId, -1);
            if (c >= 0)
                clientId = m_db.clients[c].id;
        }
        QList<Screenshot> shots;
        if (dto.screenshots) {
            for (const QString& path : *dto.screenshots)
                shots.append(serverShot(path));
        } else if (dto.screenshot) {
            shots.append(serverShot(*dto.screenshot));
        }

        const int index = m_entryByServerId.value(dto.id, -1);
        if (index >= 0) {
            Entry& local = m_db.entries[index];
            if (local.syncState != Entry::synced)
                continue; // local changes win until the server acknowledges them
            local.description = dto.description;
            local.startedAt = dto.startedAt;
            local.endedAt = dto.endedAt;
            local.updatedAt = dto.updatedAt;
            local.screenshots = withLocalOnly(shots, local.screenshots);
            if (clientId)
                local.clientId = clientId;
            continue;
        }

        Entry created;
        created.id = QStringLiteral("srv") + QString::number(dto.id);
        created.serverId = dto.id;
        created.clientId = clientId;
        created.description = dto.description;
        created.startedAt = dto.startedAt;
        created.endedAt = dto.endedAt;
        created.updatedAt = dto.updatedAt;
        created.screenshots = shots;
        created.syncState = Entry::synced;
        m_db.entries.append(created);
        m_entryByServerId.insert(dto.id, int(m_db.entries.size() - 1));
    }
}

void SyncMerge::dropServerDeletions(const QList<qint64>& deleted) {
    if (deleted.isEmpty())
        return;
    const QSet<qint64> ids(deleted.begin(), deleted.end());
    m_db.entries.removeIf(
        [&ids](const Entry& e) { return e.serverId && ids.contains(*e.serverId); });
}

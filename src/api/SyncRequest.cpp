#include "api/SyncRequest.h"

#include "api/Api.h"
#include "model/Store.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

using namespace Qt::StringLiterals;

QJsonObject SyncRequest::pendingEntry(const Entry& entry, const Client* client, const Store& store,
                                      QList<Screenshot>* sent) {
    QJsonObject o;
    o.insert("ref"_L1, entry.id);
    if (entry.serverId)
        o.insert("server_id"_L1, *entry.serverId);
    if (entry.deleted) {
        o.insert("deleted"_L1, true);
        return o;
    }
    o.insert("description"_L1, entry.description);
    o.insert("started_at"_L1, entry.startedAt);
    if (entry.endedAt)
        o.insert("ended_at"_L1, *entry.endedAt);
    if (client) {
        if (client->serverId) {
            o.insert("client_id"_L1, *client->serverId);
        } else {
            o.insert("client_ref"_L1, client->id);
            o.insert("client_name"_L1, client->name);
        }
    }
    QJsonArray shots;
    for (const Screenshot& shot : entry.screenshots.value_or(QList<Screenshot>())) {
        if (shot.server) {
            shots.append(QJsonObject{{"keep"_L1, *shot.server}});
            if (sent)
                sent->append(shot);
        } else if (shot.file) {
            const std::optional<QString> path = store.screenshotPath(*shot.file);
            if (!path)
                continue;
            QFile file(*path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.readAll();
            if (file.error() != QFileDevice::NoError)
                continue;
            shots.append(QJsonObject{
                {"base64"_L1, QString::fromLatin1(bytes.toBase64())},
                {"ext"_L1, QFileInfo(*shot.file).suffix().toLower()},
            });
            if (sent)
                sent->append(shot);
        }
    }
    o.insert("screenshots"_L1, shots);
    return o;
}

QJsonObject SyncRequest::body(const Store& store, SyncSnapshot* snapshot, const QSet<QString>* only,
                              bool withNewClients) {
    const Db& db = store.db();
    QHash<QString, const Client*> clientsById;
    for (const Client& c : db.clients) {
        if (!clientsById.contains(c.id))
            clientsById.insert(c.id, &c);
    }

    QJsonObject body;
    if (db.settings.lastSync && !db.settings.lastSync->isEmpty())
        body.insert("since"_L1, Api::rewind(*db.settings.lastSync));

    QJsonArray pending;
    for (const Entry& entry : db.entries) {
        if (entry.syncState != Entry::pending || (only && !only->contains(entry.id)))
            continue;
        const Client* client =
            entry.clientId ? clientsById.value(*entry.clientId, nullptr) : nullptr;
        QList<Screenshot> sent;
        pending.append(pendingEntry(entry, client, store, &sent));
        if (snapshot) {
            snapshot->entries.insert(entry.id, entry);
            snapshot->sentShots.insert(entry.id, sent);
        }
    }
    body.insert("pending"_L1, pending);

    QJsonArray newClients;
    for (const Client& client : db.clients) {
        if (!withNewClients || client.syncState != Entry::pending || client.serverId)
            continue;
        newClients.append(QJsonObject{
            {"ref"_L1, client.id},
            {"name"_L1, client.name},
            {"color"_L1, client.color},
        });
        if (snapshot)
            snapshot->clients.insert(client.id, client);
    }
    body.insert("new_clients"_L1, newClients);
    return body;
}

qint64 SyncRequest::estimatedSize(const Entry& entry, const Store& store) {
    // Keys, times, ids and JSON escapes of the text.
    qint64 size = 256 + 2 * entry.description.size();
    for (const Screenshot& shot : entry.screenshots.value_or(QList<Screenshot>())) {
        if (shot.server) {
            size += 16 + shot.server->size();
        } else if (shot.file) {
            if (const std::optional<QString> path = store.screenshotPath(*shot.file))
                size += 32 + (QFileInfo(*path).size() + 2) / 3 * 4;
        }
    }
    return size;
}

QSet<QString> SyncRequest::nextBatch(const Store& store, qint64 budget, const QSet<QString>& done) {
    QSet<QString> batch;
    qint64 size = 0;
    for (const Entry& entry : store.db().entries) {
        if (entry.syncState != Entry::pending || done.contains(entry.id) ||
            batch.contains(entry.id))
            continue;
        const qint64 added = estimatedSize(entry, store);
        if (!batch.isEmpty() && size + added > budget)
            break;
        batch.insert(entry.id);
        size += added;
    }
    return batch;
}

#include "model/ClientChange.h"

#include "model/Entry.h"

using namespace Qt::StringLiterals;

std::optional<ClientChange> ClientChange::of(const Client& client) {
    if (!client.hasChangesToSend())
        return std::nullopt;
    return ClientChange{client, client.changed};
}

QJsonObject ClientChange::body() const {
    QJsonObject o;
    o.insert("id"_L1, sent.serverId.value_or(0));
    if (fields.contains(Client::nameField))
        o.insert("name"_L1, sent.name);
    if (fields.contains(Client::colorField))
        o.insert("color"_L1, sent.color);
    if (fields.contains(Client::archivedField))
        o.insert("archived"_L1, sent.archived);
    return o;
}

void ClientChange::settle(QList<Client>& clients) const {
    for (Client& client : clients) {
        if (client.id != sent.id)
            continue;
        const QStringList changedSince = Client::differences(sent, client);
        QStringList left;
        for (const QString& field : std::as_const(client.changed)) {
            if (!fields.contains(field) || changedSince.contains(field))
                left.append(field);
        }
        client.changed = left;
        client.syncState = left.isEmpty() ? Entry::synced : Entry::pending;
        return;
    }
}

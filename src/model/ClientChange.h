#pragma once

#include "model/Client.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The changed fields of one client the server knows, sent by their own call
// (rename, archive, restore, colour), and what the server's answer does to the
// client.
struct ClientChange {
    // Accepted: the server took the change. Refused: it never will (a bad
    // value, no right to it, no such client, a name taken), so the change
    // ends and the server's values come back with the next sync. Failed: no
    // answer, or a failure of the server itself; sent again after the next
    // sync.
    enum class Kind { Accepted, Refused, Failed };
    struct Answer {
        Kind kind = Kind::Failed;
        QString message;
    };

    // The client as it was when the change was sent, and the fields sent.
    Client sent;
    QStringList fields;

    // The change a client has waiting, or nothing.
    static std::optional<ClientChange> of(const Client& client);
    // "id" and the sent fields.
    QJsonObject body() const;
    // Settles the sent fields of the client in `clients` after an answer
    // other than Failed. What was changed again while the call was under way
    // stays to be sent; with nothing left the client is synced.
    void settle(QList<Client>& clients) const;
};

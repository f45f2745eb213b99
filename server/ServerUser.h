#pragma once

#include <QJsonObject>
#include <QString>

// A person with an account on the server. The API key itself is never kept,
// only its hash.
struct ServerUser {
    qint64 id = 0;
    QString name;
    bool isAdmin = false;
    bool active = true;

    // The caller as the sync reply reports it: id, name, is_admin.
    QJsonObject toSyncJson() const;
};

#pragma once

#include <QJsonObject>
#include <QString>

// A client (customer or project); clients are shared by the whole team.
struct ServerClient {
    qint64 id = 0;
    QString name;
    // "#rrggbb".
    QString color;
    bool archived = false;

    // id, name, color, archived.
    QJsonObject toJson() const;

    // The colour of clients created without a valid one.
    static QString defaultColor();
    // The key under which names are unique: lower-cased, trimmed.
    static QString nameKey(const QString& name);
};

#include "ServerEntry.h"

#include "ServerTime.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

QJsonObject ServerEntry::toJson() const {
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("user_id"_L1, userId);
    if (clientId)
        o.insert("client_id"_L1, *clientId);
    o.insert("description"_L1, description);
    o.insert("started_at"_L1, ServerTime::iso(startedAt));
    if (endedAt) {
        o.insert("ended_at"_L1, ServerTime::iso(*endedAt));
        o.insert("duration"_L1, qMax<qint64>(0, *endedAt - startedAt));
    }
    o.insert("screenshots"_L1, QJsonArray::fromStringList(screenshots));
    o.insert("updated_at"_L1, ServerTime::iso(updatedAt));
    return o;
}

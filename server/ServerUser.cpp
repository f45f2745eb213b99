#include "ServerUser.h"

using namespace Qt::StringLiterals;

QJsonObject ServerUser::toSyncJson() const {
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    o.insert("is_admin"_L1, isAdmin);
    return o;
}

#include "ServerClient.h"

using namespace Qt::StringLiterals;

QJsonObject ServerClient::toJson() const {
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    o.insert("color"_L1, color);
    o.insert("archived"_L1, archived);
    return o;
}

QString ServerClient::defaultColor() {
    return u"#8b5cf6"_s;
}

QString ServerClient::nameKey(const QString& name) {
    return name.trimmed().toLower();
}

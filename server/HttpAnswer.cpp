#include "HttpAnswer.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

HttpAnswer HttpAnswer::json(const QJsonObject& object, int status) {
    HttpAnswer a;
    a.status = status;
    a.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return a;
}

HttpAnswer HttpAnswer::error(int status, const QString& message) {
    // "ok" lets the sync show the message instead of a bare status code.
    QJsonObject o;
    o.insert("ok"_L1, false);
    o.insert("error"_L1, message);
    return json(o, status);
}

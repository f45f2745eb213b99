#include "api/HttpReply.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<QString> HttpReply::errorText() const {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonValue error = doc.object().value(QLatin1StringView("error"));
    if (!error.isString())
        return std::nullopt;
    return error.toString();
}

QString HttpReply::failureMessage() const {
    if (std::optional<QString> text = errorText())
        return *text;
    return QStringLiteral("Server said HTTP ") + QString::number(status);
}

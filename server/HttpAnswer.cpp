#include "HttpAnswer.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

} // namespace

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

QByteArray HttpAnswer::closingResponse() const {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                      "\r\nContent-Type: " + contentType +
                      "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const auto& [name, value] : headers)
        head += name + ": " + value + "\r\n";
    return head + "Connection: close\r\n\r\n" + body;
}

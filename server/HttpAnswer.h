#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

// One reply of the server, before it is written to the connection.
struct HttpAnswer {
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // When set, the body is streamed from this file instead.
    QString filePath;
    // When set, the body is streamed from this file kept in the database.
    QString storedPath;
    qint64 storedSize = 0;

    static HttpAnswer json(const QJsonObject& object, int status = 200);
    // A failure: {"ok": false, "error": message} with a 4xx or 5xx status.
    static HttpAnswer error(int status, const QString& message);

    // The whole HTTP/1.1 response with "Connection: close", for answers
    // written straight to a connection the HTTP server does not handle.
    QByteArray closingResponse() const;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What came back for one request: either a transport failure (no reply at
// all) or a status code with its body.
struct HttpReply {
    std::optional<QString> transportError;
    int status = 0;
    QByteArray body;

    bool isTransportFailure() const { return transportError.has_value(); }
    // Status above 399.
    bool isHttpFailure() const { return !transportError && status > 399; }
    // The body's JSON `error` text, if it is an object carrying one.
    std::optional<QString> errorText() const;
    // The `error` text, else "Server said HTTP " and the status.
    QString failureMessage() const;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The server's answer to the version request: the newest published release.
// Every field may be absent.
struct Release {
    std::optional<QString> version;
    // Where the zip archive is: absolute, or relative to the server.
    std::optional<QString> url;
    std::optional<QString> notes;
    std::optional<QString> pubDate;
    std::optional<QString> minMacos;
    // Hex SHA-256 of the archive, when the server recorded one.
    std::optional<QString> sha256;

    // Nothing when the body is not a JSON object or a field is not text.
    static std::optional<Release> fromJson(const QByteArray& body);
};

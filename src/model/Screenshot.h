#pragma once

#include <QJsonObject>

class JsonTextWriter;
#include <QString>

#include <optional>

// One picture attached to an entry: a server path ("2026/01/3fa9c2d1e0.png"),
// a local file name in the screenshot folder, or both.
struct Screenshot {
    std::optional<QString> server;
    std::optional<QString> file;

    QJsonObject toJson() const;
    // The same members streamed in the database file's layout.
    void writeJson(JsonTextWriter& writer) const;
    static std::optional<Screenshot> fromJson(const QJsonValue& value);

    bool operator==(const Screenshot&) const = default;
};

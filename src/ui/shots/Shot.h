#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// One tile of a screenshot strip: a local file, bytes in memory (a pasted
// image not yet attached), or an address on the server.
struct Shot {
    std::optional<QString> file;
    std::optional<QByteArray> data;
    std::optional<QUrl> remoteURL;
    // What the tile's remove button does; no button without it.
    std::function<void()> onRemove;
};

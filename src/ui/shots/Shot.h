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

    // The tile of a picture stored on an entry: its file, and its server path
    // as an address under `base` (the normalised server address).
    static Shot stored(const std::optional<QString>& file, const std::optional<QString>& server,
                       const QString& base) {
        Shot shot;
        shot.file = file;
        if (server)
            shot.remoteURL = QUrl(base + QStringLiteral("/uploads/") + *server);
        return shot;
    }
};

#pragma once

#include "ui/shots/Shot.h"

#include <QUrl>

#include <functional>

class Store;

// Where a tile's picture comes from and what previewing it opens. The two
// orders differ on purpose: a tile shows bytes before a file (a pasted picture
// is already in memory), while the preview prefers the local file before the
// server's copy.
class ShotSource {
public:
    enum class Image {
        Bytes,  // the shot's bytes
        File,   // the file in the screenshot folder; the server is not asked
        Remote, // downloaded from the server
        None,   // nothing to show
    };

    static Image image(const Shot& shot);
    // A tile with nothing to show has no click.
    static bool clickable(const Shot& shot) { return image(shot) != Image::None; }

    // Writes in-memory bytes somewhere the previewer can read them and gives
    // that file's address.
    using WriteTemporary = std::function<QUrl(const QByteArray&)>;
    // The address previewing a shot opens: the local file, else the server's
    // address, else a temporary copy of the bytes. A shot with none of these
    // gives an empty address (it still takes its place in the list).
    static QUrl previewUrl(const Shot& shot, const Store& store, const WriteTemporary& write);
};

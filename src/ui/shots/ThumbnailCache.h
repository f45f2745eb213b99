#pragma once

#include <QImage>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

// Pictures that strip tiles download from the server, kept in memory by
// address: the strips are rebuilt on every reload of the panel (every sync,
// every change), and a picture already fetched is not fetched again. One
// download per address at a time; a failed one is not remembered, so a later
// tile tries again. Downloads go through the app's one network manager. Main
// thread only.
class ThumbnailCache {
public:
    // Pictures kept; the least recently used goes first.
    static constexpr int capacity = 64;
    // Pictures are kept no larger than a tile can show.
    static constexpr int maxSide = 480;

    using Done = std::function<void(const QImage&)>;
    // Calls `done` with the picture: at once when it is kept, otherwise when
    // its download brought an image and `context` still exists.
    static void load(const QUrl& url, QObject* context, Done done);
    static std::optional<QImage> cached(const QUrl& url);
    static void clear();
};

#include "ui/shots/ShotSource.h"

#include "model/Store.h"

ShotSource::Image ShotSource::image(const Shot& shot) {
    if (shot.data)
        return Image::Bytes;
    if (shot.file)
        return Image::File;
    if (shot.remoteURL)
        return Image::Remote;
    return Image::None;
}

QUrl ShotSource::previewUrl(const Shot& shot, const Store& store, const WriteTemporary& write) {
    if (shot.file) {
        // A name that leaves the folder is not opened.
        const std::optional<QString> path = store.screenshotPath(*shot.file);
        return path ? QUrl::fromLocalFile(*path) : QUrl();
    }
    if (shot.remoteURL)
        return *shot.remoteURL;
    if (shot.data && write)
        return write(*shot.data);
    return QUrl();
}

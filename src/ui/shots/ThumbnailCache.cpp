#include "ui/shots/ThumbnailCache.h"

#include "api/HttpCall.h"

#include <QCache>
#include <QHash>
#include <QList>
#include <QPointer>

namespace {

struct Waiter {
    QPointer<QObject> context;
    ThumbnailCache::Done done;
};

QCache<QString, QImage>& pictures() {
    static QCache<QString, QImage> cache(ThumbnailCache::capacity);
    return cache;
}

QHash<QString, QList<Waiter>>& downloads() {
    static QHash<QString, QList<Waiter>> waiting;
    return waiting;
}

constexpr int thumbnailDownloadMs = 30000;

} // namespace

std::optional<QImage> ThumbnailCache::cached(const QUrl& url) {
    if (const QImage* image = pictures().object(url.toString()))
        return *image;
    return std::nullopt;
}

void ThumbnailCache::clear() {
    pictures().clear();
}

void ThumbnailCache::load(const QUrl& url, QObject* context, Done done) {
    const QString key = url.toString();
    if (const std::optional<QImage> image = cached(url)) {
        done(*image);
        return;
    }
    QHash<QString, QList<Waiter>>& waiting = downloads();
    const bool underWay = waiting.contains(key);
    waiting[key].append(Waiter{context, std::move(done)});
    if (underWay)
        return;

    HttpCall call;
    call.url = url;
    call.timeoutMs = thumbnailDownloadMs;
    // Not tied to the tile: a tile replaced by a reload still fills the cache
    // for its successor.
    call.send(nullptr, [key](const HttpReply& reply) {
        const QList<Waiter> waiters = downloads().take(key);
        if (reply.isTransportFailure() || reply.isHttpFailure())
            return;
        QImage image = QImage::fromData(reply.body);
        if (image.isNull())
            return;
        if (image.width() > maxSide || image.height() > maxSide)
            image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pictures().insert(key, new QImage(image));
        for (const Waiter& waiter : waiters) {
            if (waiter.context && waiter.done)
                waiter.done(image);
        }
    });
}

#include "api/Api.h"

#include "api/HttpCall.h"
#include "model/Store.h"
#include "model/Time.h"
#include "reports/PDFReport.h"
#include "reports/Report.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QUrlQuery>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int reportTimeoutMs = 60000;

QString joinedIds(const QList<qint64>& ids) {
    QStringList texts;
    texts.reserve(ids.size());
    for (qint64 id : ids)
        texts.append(QString::number(id));
    return texts.join(u',');
}

// The state shared by the download chains of one downloadScreenshots call.
struct ShotDownload {
    QPointer<QObject> context;
    bool guarded = false;
    qsizetype running = 0;
    int fetched = 0;
    int total = 0;
    QHash<qint64, QList<QImage>> images;
    std::function<void(const QHash<qint64, QList<QImage>>&)> done;
    std::function<void(int, int)> progress;

    void tell() const {
        if (progress)
            progress(fetched, total);
    }

    bool abandoned() const { return guarded && !context; }
};

// One entry's screenshots, fetched one after another.
struct ShotChain {
    qint64 id = 0;
    QList<QUrl> urls;
    QList<QByteArray> bodies;
};

void chainFinished(const std::shared_ptr<ShotDownload>& download, qint64 id, QList<QImage> images) {
    if (download->abandoned())
        return;
    if (!images.isEmpty())
        download->images.insert(id, std::move(images));
    if (--download->running == 0)
        download->done(download->images);
}

// Decodes the bodies away from the main thread, so that large screenshots do
// not stall the interface, and hands the images back to it.
void decode(const std::shared_ptr<ShotDownload>& download, std::shared_ptr<ShotChain> chain) {
    QThreadPool::globalInstance()->start([download, chain] {
        QList<QImage> images;
        for (const QByteArray& body : chain->bodies) {
            // Only the PDF's thumbnails use them: keeping full-size pictures
            // would take gigabytes for a long report.
            QImage image = PDFReport::thumbnail(QImage::fromData(body));
            if (!image.isNull())
                images.append(std::move(image));
        }
        chain->bodies.clear();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [download, id = chain->id, images = std::move(images)]() mutable {
                chainFinished(download, id, std::move(images));
            },
            Qt::QueuedConnection);
    });
}

void fetchNext(const std::shared_ptr<ShotDownload>& download, std::shared_ptr<ShotChain> chain,
               qsizetype index) {
    if (index >= chain->urls.size()) {
        decode(download, std::move(chain));
        return;
    }
    HttpCall call;
    call.url = chain->urls[index];
    call.send(download->context, [download, chain, index](const HttpReply& reply) {
        if (!reply.isTransportFailure() && !reply.isHttpFailure())
            chain->bodies.append(reply.body);
        ++download->fetched;
        download->tell();
        fetchNext(download, chain, index + 1);
    });
}

} // namespace

void Api::fetchReport(const Store& store, const QDateTime& from, const QDateTime& to,
                      const QList<qint64>& userIds, const QList<qint64>& clientIds,
                      QObject* context, std::function<void(const ApiResult<Report>&)> done) {
    const auto fail = [&](const QString& message) {
        HttpCall::later(context, [done, message] { done(ApiResult<Report>::failure(message)); });
    };
    const std::optional<Credentials> creds = credentials(store);
    if (!creds)
        return fail(u"Not configured"_s);
    std::optional<QUrl> url = HttpCall::parseUrl(creds->base + u"/api.php"_s);
    if (!url)
        return fail(u"Invalid server address"_s);

    QUrlQuery query;
    query.addQueryItem(u"action"_s, u"reports"_s);
    query.addQueryItem(u"from"_s, Time::iso(from));
    query.addQueryItem(u"to"_s, Time::iso(to));
    if (!userIds.isEmpty())
        query.addQueryItem(u"user_ids"_s, joinedIds(userIds));
    if (!clientIds.isEmpty())
        query.addQueryItem(u"client_ids"_s, joinedIds(clientIds));
    url->setQuery(query);
    if (!url->isValid())
        return fail(u"Invalid request"_s);

    HttpCall call;
    call.url = *url;
    call.apiKey = creds->key;
    call.timeoutMs = reportTimeoutMs;
    call.send(context, [done](const HttpReply& reply) {
        if (reply.isTransportFailure())
            return done(ApiResult<Report>::failure(*reply.transportError));
        if (reply.isHttpFailure())
            return done(ApiResult<Report>::failure(reply.failureMessage()));
        std::optional<Report> report = Report::fromJsonBytes(reply.body);
        if (!report)
            return done(ApiResult<Report>::failure(u"Malformed response"_s));
        done(ApiResult<Report>::success(std::move(*report)));
    });
}

void Api::downloadScreenshots(const QString& base, const QList<ReportEntry>& entries,
                              int maxPerEntry, QObject* context,
                              std::function<void(const QHash<qint64, QList<QImage>>&)> done,
                              std::function<void(int fetched, int total)> progress) {
    auto download = std::make_shared<ShotDownload>();
    download->context = context;
    download->guarded = context != nullptr;
    download->done = std::move(done);
    download->progress = std::move(progress);

    QList<std::shared_ptr<ShotChain>> chains;
    for (const ReportEntry& entry : entries) {
        auto chain = std::make_shared<ShotChain>();
        chain->id = entry.id;
        chain->urls = entry.screenshotUrls(base, maxPerEntry);
        download->total += int(chain->urls.size());
        if (!chain->urls.isEmpty())
            chains.append(std::move(chain));
    }
    if (chains.isEmpty()) {
        HttpCall::later(context, [download] { download->done({}); });
        return;
    }
    download->running = chains.size();
    download->tell();
    for (const std::shared_ptr<ShotChain>& chain : chains)
        fetchNext(download, chain, 0);
}

#include "api/Api.h"

#include "api/HttpCall.h"
#include "api/SyncMerge.h"
#include "api/SyncRequest.h"
#include "api/SyncResponse.h"
#include "model/AppModel.h"
#include "model/Store.h"
#include "model/Time.h"

#include <QJsonDocument>
#include <QPointer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int syncTimeoutMs = 25000;
constexpr qint64 rewindSeconds = 3;

SyncSummary failed(const QString& message, bool online = true) {
    return SyncSummary{online, message, 0, std::nullopt};
}

} // namespace

QString Api::rewind(const QString& lastSync) {
    const std::optional<QDateTime> instant = Time::parse(lastSync);
    if (!instant)
        return lastSync;
    return Time::iso(instant->addSecs(-rewindSeconds));
}

void Api::merge(const SyncResponse& response, Db& db, const SyncSnapshot* snapshot) {
    SyncMerge(db, snapshot).apply(response);
}

void Api::sync(Store& store, QObject* context, std::function<void(const SyncSummary&)> done) {
    const std::optional<Credentials> creds = credentials(store);
    if (!creds) {
        HttpCall::later(context, [done] { done(failed(u"Not configured"_s)); });
        return;
    }
    const std::optional<QUrl> url = HttpCall::parseUrl(creds->base + u"/api.php?action=sync"_s);
    if (!url) {
        HttpCall::later(context, [done] { done(failed(u"Invalid server address"_s)); });
        return;
    }

    auto snapshot = std::make_shared<SyncSnapshot>();
    HttpCall call;
    call.method = "POST";
    call.url = *url;
    call.apiKey = creds->key;
    call.timeoutMs = syncTimeoutMs;
    call.jsonBody =
        QJsonDocument(SyncRequest::body(store, snapshot.get())).toJson(QJsonDocument::Compact);

    // The store lives as long as the context (its owner); without a context
    // the caller guarantees that it outlives the request.
    Store* target = &store;
    call.send(context, [target, snapshot, done](const HttpReply& reply) {
        if (reply.isTransportFailure())
            return done(failed(*reply.transportError, false));

        const std::optional<SyncResponse> response = SyncResponse::decode(reply.body);
        if (reply.status > 399 || !response || !response->ok) {
            const QString message = response && response->error
                                        ? *response->error
                                        : u"Server said HTTP "_s + QString::number(reply.status);
            return done(failed(message));
        }

        SyncMerge merge(target->db(), snapshot.get());
        merge.apply(*response);
        target->pruneScreenshots();
        target->save();
        for (const SyncMerge::ColorUpload& upload : merge.colorUploads())
            updateClientColor(*target, upload.serverId, upload.color);

        done(SyncSummary{true, std::nullopt, target->db().pendingCount(), response->serverTime});
    });
}

void Api::connect(AppModel& model) {
    model.setSyncRunner([](Store& store, QObject* context, AppModel::SyncDone done) {
        sync(store, context, std::move(done));
    });
    model.setColorUploader([](Store& store, qint64 serverId, const QString& hex) {
        updateClientColor(store, serverId, hex);
    });
}

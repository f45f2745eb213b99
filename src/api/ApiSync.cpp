#include "api/Api.h"

#include "api/HttpCall.h"
#include "api/SyncMerge.h"
#include "api/SyncResponse.h"
#include "api/SyncRun.h"
#include "model/AppModel.h"
#include "model/Store.h"
#include "model/Text.h"
#include "model/Time.h"

#include <QJsonDocument>
#include <QPointer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 rewindSeconds = 3;

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
        HttpCall::later(context, [done] { done(SyncSummary::failure(u"Not configured"_s)); });
        return;
    }
    const std::optional<QUrl> url = HttpCall::parseUrl(creds->base + u"/api.php?action=sync"_s);
    if (!url) {
        HttpCall::later(context,
                        [done] { done(SyncSummary::failure(u"Invalid server address"_s)); });
        return;
    }
    // The store lives as long as the context (its owner); without a context
    // the caller guarantees that it outlives the run.
    std::make_shared<SyncRun>(store, context, *url, creds->key, std::move(done))->start();
}

void Api::connect(AppModel& model) {
    HttpCall::setTrustSource([model = QPointer<AppModel>(&model)](const QUrl& url) {
        std::optional<QByteArray> trusted;
        if (!model)
            return trusted;
        const Settings& settings = model->store().db().settings;
        const std::optional<QUrl> server = HttpCall::parseUrl(Text::serverBase(settings.server));
        if (settings.trustedCertificate && server && HttpCall::sameOrigin(*server, url))
            trusted = QByteArray::fromHex(settings.trustedCertificate->toLatin1());
        return trusted;
    });
    model.setSyncRunner([](Store& store, QObject* context, AppModel::SyncDone done) {
        sync(store, context, std::move(done));
    });
    model.setClientUploader([](Store& store, const ClientChange& change, QObject* context,
                               std::function<void(const ClientChange::Answer&)> done) {
        sendClientChange(store, change, context, std::move(done));
    });
}

#include "api/SyncRun.h"

#include "api/HttpCall.h"
#include "api/SyncMerge.h"
#include "api/SyncRequest.h"
#include "api/SyncResponse.h"
#include "model/Store.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

constexpr int syncTimeoutMs = 25000;
// Room for the request head and what the estimate leaves out.
constexpr qint64 headroom = 64 * 1024;

// Body limits the servers of this process have told, by address.
QHash<QString, qint64>& knownLimits() {
    static QHash<QString, qint64> limits;
    return limits;
}

QString serverKey(const QUrl& url) {
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
}

} // namespace

SyncRun::SyncRun(Store& store, QObject* context, QUrl url, QString key, Done done)
    : m_store(&store)
    , m_context(context)
    , m_guarded(context != nullptr)
    , m_url(std::move(url))
    , m_key(std::move(key))
    , m_done(std::move(done)) {}

qint64 SyncRun::budgetFor(std::optional<qint64> maxBody) {
    if (!maxBody)
        return firstBudget;
    return qBound<qint64>(1, *maxBody - headroom - *maxBody / 10, maxBudget);
}

void SyncRun::forgetLimits() {
    knownLimits().clear();
}

void SyncRun::step() {
    if (m_guarded && !m_context)
        return;
    const auto known = knownLimits().constFind(serverKey(m_url));
    const qint64 budget =
        budgetFor(known != knownLimits().constEnd() ? std::optional(*known) : std::nullopt);
    const QSet<QString> batch = SyncRequest::nextBatch(*m_store, budget, m_sent);
    if (batch.isEmpty() && m_requests > 0)
        return finish();

    auto snapshot = std::make_shared<SyncSnapshot>();
    HttpCall call;
    call.method = "POST";
    call.url = m_url;
    call.apiKey = m_key;
    call.timeoutMs = syncTimeoutMs;
    call.jsonBody =
        QJsonDocument(SyncRequest::body(*m_store, snapshot.get(), &batch, m_requests == 0))
            .toJson(QJsonDocument::Compact);
    ++m_requests;

    std::shared_ptr<SyncRun> self = shared_from_this();
    call.send(m_context, [self, batch, snapshot](const HttpReply& reply) {
        if (reply.isTransportFailure())
            return self->m_done(SyncSummary::failure(*reply.transportError, false));

        const std::optional<SyncResponse> response = SyncResponse::decode(reply.body);
        const QJsonObject refusal = QJsonDocument::fromJson(reply.body).object();
        if (reply.status == 413 && refusal.value("max_body"_L1).isDouble() && !self->m_retried &&
            (batch.size() > 1 || !knownLimits().contains(serverKey(self->m_url)))) {
            // Too large for this server: learn its limit and send smaller batches.
            knownLimits().insert(serverKey(self->m_url),
                                 qint64(refusal.value("max_body"_L1).toDouble()));
            self->m_retried = true;
            --self->m_requests;
            return self->step();
        }
        if (reply.status > 399 || !response || !response->ok) {
            const QString message = response && response->error
                                        ? *response->error
                                        : u"Server said HTTP "_s + QString::number(reply.status);
            return self->m_done(SyncSummary::failure(message));
        }
        if (response->maxBody && *response->maxBody > 0)
            knownLimits().insert(serverKey(self->m_url), *response->maxBody);

        SyncMerge merge(self->m_store->db(), snapshot.get());
        merge.apply(*response);
        self->m_store->save();
        for (const QString& problem : merge.problems()) {
            if (!self->m_problems.contains(problem))
                self->m_problems.append(problem);
        }
        self->m_serverTime = response->serverTime;
        self->m_sent.unite(batch);
        self->step();
    });
}

void SyncRun::finish() {
    m_store->pruneScreenshots();
    m_store->save();
    std::optional<QString> problems;
    if (!m_problems.isEmpty())
        problems = m_problems.join(u"; "_s);
    m_done(SyncSummary{true, problems, m_store->db().pendingCount(), m_serverTime});
}

#pragma once

#include "model/SyncSummary.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class Store;

// One sync: pending entries go in batches that each stay under the server's
// body limit, one request after the other, and each reply is merged and saved
// before the next request is built, so a failure part-way loses nothing that
// was already acknowledged. New clients go with the first request; a sync with
// nothing pending still sends one request to receive the server's changes.
class SyncRun : public std::enable_shared_from_this<SyncRun> {
public:
    using Done = std::function<void(const SyncSummary&)>;

    SyncRun(Store& store, QObject* context, QUrl url, QString key, Done done);
    void start() { step(); }

    // The request size used while a server's limit is not known yet; the
    // first reply tells it.
    static constexpr qint64 firstBudget = 1024 * 1024;
    // No request grows past this, however much the server would take.
    static constexpr qint64 maxBudget = 32 * 1024 * 1024;
    // The budget for a server whose largest accepted body is `maxBody`.
    static qint64 budgetFor(std::optional<qint64> maxBody);
    // Tests: forget what was learned about servers' limits.
    static void forgetLimits();

private:
    void step();
    void finish();

    Store* m_store;
    QPointer<QObject> m_context;
    bool m_guarded;
    QUrl m_url;
    QString m_key;
    Done m_done;
    QSet<QString> m_sent;
    int m_requests = 0;
    bool m_retried = false;
    QStringList m_problems;
    std::optional<QString> m_serverTime;
};

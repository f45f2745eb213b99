#include "ApiWorkers.h"

#include "ApiRouter.h"
#include "DataFolder.h"
#include "StorageRetry.h"

#include <QUrlQuery>

ApiWorkers::ApiWorkers(const QString& path, const DatabaseUrl& database, int count, qint64 maxBody)
    : m_path(path)
    , m_database(database)
    , m_maxBody(maxBody) {
    for (int i = 0; i < count; ++i) {
        m_threads.emplace_back(QThread::create([this] { work(); }));
        m_threads.back()->setObjectName(QStringLiteral("api-%1").arg(i + 1));
        m_threads.back()->start();
    }
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_ready == int(m_threads.size()); });
}

ApiWorkers::~ApiWorkers() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    for (const std::unique_ptr<QThread>& thread : m_threads)
        thread->wait();
}

void ApiWorkers::post(Request request, Done done) {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(Job{std::move(request), std::move(done)});
    }
    m_wake.notify_one();
}

void ApiWorkers::work() {
    // Everything that talks to the database is made, used and closed on this
    // thread: a connection belongs to the thread that opened it.
    DataFolder lane;
    lane.attach(m_path, m_database);
    {
        const std::lock_guard lock(m_mutex);
        ++m_ready;
    }
    m_wake.notify_all();
    ApiRouter router(lane.storage(), lane.pictures(), lane.releases());
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        const Request& r = job.request;
        router.setMaxBody(m_maxBody);
        job.done(retryingStorage(lane.storage(), [&] {
            return router.handle(r.method, QUrlQuery(r.url), r.apiKey, r.body);
        }));
    }
}

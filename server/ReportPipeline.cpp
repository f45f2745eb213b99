#include "ReportPipeline.h"

#include <utility>

ReportPipeline::ReportPipeline(std::function<void(const ReportRow&)> consume)
    : m_consume(std::move(consume))
    , m_filling(std::make_unique<Batch>()) {
    m_thread = std::thread(&ReportPipeline::run, this);
}

ReportPipeline::~ReportPipeline() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ReportPipeline::push(const ReportRow& row) {
    Batch& batch = *m_filling;
    Row& copy = batch.rows.emplace_back();
    copy.row = row;
    copy.textAt = batch.texts.size();
    batch.texts.append(row.description.data(), size_t(row.description.size()));
    if (batch.rows.size() == batchRows)
        send();
}

void ReportPipeline::finish() {
    if (!m_filling->rows.empty())
        send();
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
    m_thread.join();
    rethrow();
}

void ReportPipeline::send() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_full.size() < batchesInFlight || m_failure; });
    if (m_failure) {
        lock.unlock();
        m_filling->rows.clear();
        m_filling->texts.clear();
        rethrow();
    }
    m_full.push_back(std::move(m_filling));
    if (m_spare.empty()) {
        m_filling = std::make_unique<Batch>();
    } else {
        m_filling = std::move(m_spare.back());
        m_spare.pop_back();
    }
    lock.unlock();
    m_changed.notify_all();
}

void ReportPipeline::run() {
    for (;;) {
        std::unique_ptr<Batch> batch;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || m_done || !m_full.empty(); });
            if (m_stop || m_full.empty())
                return;
            batch = std::move(m_full.front());
            m_full.pop_front();
        }
        m_changed.notify_all();
        try {
            for (Row& r : batch->rows) {
                // The texts are complete now, so the views can be set.
                r.row.description =
                    QByteArrayView(batch->texts.data() + r.textAt, r.row.description.size());
                m_consume(r.row);
            }
        } catch (...) {
            std::lock_guard lock(m_mutex);
            m_failure = std::current_exception();
            m_changed.notify_all();
            return;
        }
        batch->rows.clear();
        batch->texts.clear();
        std::lock_guard lock(m_mutex);
        m_spare.push_back(std::move(batch));
    }
}

void ReportPipeline::rethrow() {
    std::lock_guard lock(m_mutex);
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
}

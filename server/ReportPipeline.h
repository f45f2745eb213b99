#pragma once

#include "ReportRow.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Hands rows read on this thread to `consume` on a second thread, in
// batches, so that reading a large report from the database and writing it
// out overlap. Rows reach `consume` in the order they were pushed.
class ReportPipeline {
public:
    explicit ReportPipeline(std::function<void(const ReportRow&)> consume);
    // Stops the second thread; rows not yet consumed are dropped.
    ~ReportPipeline();
    ReportPipeline(const ReportPipeline&) = delete;
    ReportPipeline& operator=(const ReportPipeline&) = delete;

    // Copies the row. Raises what `consume` raised, if it failed.
    void push(const ReportRow& row);
    // Hands on the rest and waits until every row has been consumed; raises
    // what `consume` raised.
    void finish();

private:
    struct Row {
        ReportRow row;
        size_t textAt = 0;
    };
    // Rows whose descriptions live in one text, so that a batch is filled
    // without an allocation per row once it has been used.
    struct Batch {
        std::vector<Row> rows;
        std::string texts;
    };
    static constexpr size_t batchRows = 2048;
    static constexpr size_t batchesInFlight = 4;

    void send();
    void run();
    void rethrow();

    std::function<void(const ReportRow&)> m_consume;
    std::unique_ptr<Batch> m_filling;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Batch>> m_full;
    std::vector<std::unique_ptr<Batch>> m_spare;
    bool m_done = false;
    bool m_stop = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

#pragma once

#include "DatabaseUrl.h"
#include "HttpAnswer.h"

#include <QByteArray>
#include <QString>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Answers "/api.php" requests on threads of their own, each with its own
// connection to the database (and its own picture and release stores over the
// same folder), so that requests waiting on the database overlap instead of
// queueing behind each other, and the connections keep being served meanwhile.
// A request goes to whichever thread is free first.
class ApiWorkers {
public:
    struct Request {
        QByteArray method;
        QUrl url;
        QByteArray apiKey;
        QByteArray body;
    };
    // Called on the worker's thread with the answer.
    using Done = std::function<void(HttpAnswer&&)>;

    // Starts `count` threads on the data folder at `path` (opened before) and
    // its `database`, and returns once each has connected (or failed to: it
    // tries again on the requests that find the database away). A connection
    // still opening would otherwise count as a transaction under way.
    ApiWorkers(const QString& path, const DatabaseUrl& database, int count, qint64 maxBody);
    // Waits for the requests being answered; those still queued are dropped.
    ~ApiWorkers();
    ApiWorkers(const ApiWorkers&) = delete;
    ApiWorkers& operator=(const ApiWorkers&) = delete;

    void post(Request request, Done done);
    // The largest request body, told to devices in sync answers.
    void setMaxBody(qint64 bytes) { m_maxBody = bytes; }

private:
    struct Job {
        Request request;
        Done done;
    };

    void work();

    const QString m_path;
    const DatabaseUrl m_database;
    std::atomic<qint64> m_maxBody;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    int m_ready = 0;
    bool m_stopping = false;
    std::vector<std::unique_ptr<QThread>> m_threads;
};

#pragma once

#include <QString>

#include <memory>
#include <mutex>
#include <optional>

// SQLite lets one connection write at a time and has the others poll for the
// file's lock. The connections of this process to one file take turns here
// instead, reading meanwhile. It also knows since when the transactions
// waiting for their turn or writing began: what they change is not visible
// yet, so answers must not claim to cover that time.
class SqliteWriteTurn {
public:
    explicit SqliteWriteTurn(const QString& file);
    ~SqliteWriteTurn();
    SqliteWriteTurn(const SqliteWriteTurn&) = delete;
    SqliteWriteTurn& operator=(const SqliteWriteTurn&) = delete;

    // Waits for the turn; the transaction counts as under way from the call.
    void take();
    // Ends the turn (nothing when not taken).
    void release();
    // Seconds since the oldest transaction on the file still under way in
    // this process began, or nothing when none is.
    std::optional<double> oldestAge() const;

private:
    struct File;
    std::shared_ptr<File> m_file;
    std::unique_lock<std::mutex> m_turn;
    std::optional<qint64> m_since; // on the steady clock, in milliseconds
};

#include "SqliteWriteTurn.h"

#include <chrono>
#include <map>
#include <set>

namespace {

qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

struct SqliteWriteTurn::File {
    std::mutex turn;
    mutable std::mutex guard; // for `starts`
    std::multiset<qint64> starts;
};

SqliteWriteTurn::SqliteWriteTurn(const QString& file) {
    static std::mutex guard;
    static std::map<QString, std::weak_ptr<File>> files;
    const std::lock_guard lock(guard);
    std::weak_ptr<File>& known = files[file];
    m_file = known.lock();
    if (!m_file) {
        m_file = std::make_shared<File>();
        known = m_file;
    }
}

SqliteWriteTurn::~SqliteWriteTurn() {
    release();
}

void SqliteWriteTurn::take() {
    release();
    m_since = steadyMs();
    {
        const std::lock_guard lock(m_file->guard);
        m_file->starts.insert(*m_since);
    }
    m_turn = std::unique_lock(m_file->turn);
}

void SqliteWriteTurn::release() {
    if (m_turn.owns_lock())
        m_turn.unlock();
    if (!m_since)
        return;
    const std::lock_guard lock(m_file->guard);
    m_file->starts.erase(m_file->starts.find(*m_since));
    m_since.reset();
}

std::optional<double> SqliteWriteTurn::oldestAge() const {
    const std::lock_guard lock(m_file->guard);
    if (m_file->starts.empty())
        return std::nullopt;
    return double(steadyMs() - *m_file->starts.begin()) / 1000.0;
}

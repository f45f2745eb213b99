#pragma once

#include <QString>

#include <stdexcept>

// A failure of the database underneath. Raised by Storage and turned into an
// HTTP 500 (or a command-line message) by its callers; never crosses out of
// the server library.
class StorageError : public std::runtime_error {
public:
    explicit StorageError(const QString& message, bool conflict = false)
        : std::runtime_error(message.toStdString())
        , m_message(message)
        , m_conflict(conflict) {}
    const QString& message() const { return m_message; }
    // Another connection changed the same rows at the same time; the work
    // may succeed when it is done again from the start.
    bool isConflict() const { return m_conflict; }

private:
    QString m_message;
    bool m_conflict = false;
};

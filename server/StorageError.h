#pragma once

#include <QString>

#include <stdexcept>

// A failure of the database underneath. Raised by Storage and turned into an
// HTTP 500 (or a command-line message) by its callers; never crosses out of
// the server library.
class StorageError : public std::runtime_error {
public:
    explicit StorageError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

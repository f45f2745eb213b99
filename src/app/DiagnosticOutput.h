#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Formatting and printing of the diagnostic modes' standard-output lines.
class DiagnosticOutput {
public:
    // One line to standard output, flushed at once.
    static void line(const QString& text);
    // "true" or "false".
    static QString flag(bool value);
    // A list of texts in the familiar array form: ["a", "b"].
    static QString array(const QStringList& items);
    // The data folder of the user, or nothing (with a message on standard error).
    static std::optional<QString> dataDirectory();
};

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writing an exported report to a file, whole or not at all.
class ReportFile {
public:
    // Nothing on success, otherwise a message saying why the file could not be
    // written. Empty data is refused: it means the report could not be built.
    static std::optional<QString> write(const QString& path, const QByteArray& data);
};

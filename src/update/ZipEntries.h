#pragma once

#include <QList>
#include <QString>

#include <optional>

// The entries of a zip archive as its central directory lists them, read
// without unpacking anything.
class ZipEntries {
public:
    struct Entry {
        QString name;
        bool isLink = false;
    };

    // Nothing when the file is not a readable zip archive (ZIP64 archives
    // included: updates are far smaller).
    static std::optional<QList<Entry>> read(const QString& path);
    // Whether unpacking the entry could write outside the target folder: an
    // absolute name, a ".." step, or a symbolic link (later entries could be
    // written through it).
    static bool leavesFolder(const Entry& entry);
};

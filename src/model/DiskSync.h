#pragma once

#include <QString>

// Flushing what was written to the disk itself, for saves that must survive
// a power cut and not only a crash.
class DiskSync {
public:
    // Flushes the file or folder at `path` (a folder holds the names that
    // renames and links change); false when that fails.
    static bool flush(const QString& path);
};

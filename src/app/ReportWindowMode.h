#pragma once

#include <QString>

// ZEVRA_REPORT_WINDOW=path: syncs, builds the report window off screen, lets
// its lists load and writes a picture of it to `path` as PNG. With
// ZEVRA_REPORT_SELECTALL every person and client is checked first.
class ReportWindowMode {
public:
    static int run(const QString& path);
};

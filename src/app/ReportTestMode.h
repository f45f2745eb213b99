#pragma once

#include <QString>

// ZEVRA_REPORT_TEST=path: syncs, lists the people, fetches the report of the
// last 90 days from the server and renders it to a PDF at `path`.
class ReportTestMode {
public:
    static int run(const QString& path);
};

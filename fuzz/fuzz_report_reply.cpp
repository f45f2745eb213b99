// The server's answer to a report request: decoded, exported as the JSON file
// (which must read back as the same report) and its screenshot addresses.
#include "FuzzCheck.h"

#include "exchange/ReportExport.h"
#include "reports/Report.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::optional<Report> report = Report::fromJsonBytes(fuzzBytes(data, size));
    if (!report)
        return 0;
    const std::optional<Report> exported = Report::fromJsonBytes(ReportExport::json(*report));
    FUZZ_CHECK(exported.has_value());
    FUZZ_CHECK(*exported == *report);
    for (const ReportEntry& entry : report->entries) {
        FUZZ_CHECK(entry.screenshotUrls(QStringLiteral("http://127.0.0.1:8080"), 3).size() <= 3);
        (void)entry.screenshotUrls(QStringLiteral("https://time.example.org/zevra/"), 100);
    }
    return 0;
}

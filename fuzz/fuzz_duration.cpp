// What is typed into the composer's time box: the duration, the texts shown
// for it and the start it gives a running entry.
#include "FuzzCheck.h"

#include "model/Time.h"
#include "ui/panel/TypedDuration.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString text = QString::fromUtf8(fuzzBytes(data, size));
    if (const std::optional<double> seconds = Time::parseDuration(text)) {
        FUZZ_CHECK(std::isfinite(*seconds));
        (void)Time::menuBar(*seconds);
        (void)Time::hms(*seconds);
        FUZZ_CHECK(Time::wholeSeconds(*seconds) >= 0);
    }
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1767605400, Qt::UTC);
    if (const std::optional<QString> start = TypedDuration::startFor(text, now)) {
        const std::optional<QDateTime> parsed = Time::parse(*start);
        FUZZ_CHECK(parsed.has_value());
        FUZZ_CHECK(*parsed <= now);
    }
    return 0;
}

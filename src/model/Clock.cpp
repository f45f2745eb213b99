#include "model/Clock.h"

#include <atomic>

namespace {
SystemClock g_systemClock;
// Read by the server's threads too.
std::atomic<Clock*> g_clock = &g_systemClock;
} // namespace

Clock& Clock::current() {
    return *g_clock;
}

void Clock::install(Clock* clock) {
    g_clock = clock ? clock : &g_systemClock;
}

#include "model/Clock.h"

namespace {
SystemClock g_systemClock;
Clock* g_clock = &g_systemClock;
} // namespace

Clock& Clock::current() {
    return *g_clock;
}

void Clock::install(Clock* clock) {
    g_clock = clock ? clock : &g_systemClock;
}

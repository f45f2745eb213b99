#pragma once

// ZEVRA_LAYOUT_TEST / ZEVRA_SNAPSHOT: lays the panel out off-screen on the
// user's database, prints its size and counts, and optionally writes a PNG.
class LayoutTestMode {
public:
    static int run();
};

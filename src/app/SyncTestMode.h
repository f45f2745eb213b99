#pragma once

// ZEVRA_SYNC_TEST: one sync of the user's database, then four lines.
class SyncTestMode {
public:
    static int run();
};

#pragma once

// ZEVRA_SHOT_TEST: the screenshot round trip through the server.
class ShotTestMode {
public:
    static int run();
};

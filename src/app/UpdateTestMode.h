#pragma once

// ZEVRA_UPDATE_TEST: the version comparisons, the running version and one
// quiet check against the configured server; with ZEVRA_UPDATE_DRYRUN the
// release found is downloaded and unpacked but nothing is replaced, with
// ZEVRA_UPDATE_INSTALL it is installed for real (the process then ends and
// the swapped copy starts with the same switches and standard output).
class UpdateTestMode {
public:
    static int run();
};

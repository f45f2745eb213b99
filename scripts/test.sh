#!/usr/bin/env bash
# Installs what is needed, builds the Debug + AddressSanitizer/UBSan tree and
# runs the whole test suite, the server's suites on SQLite and on a throwaway
# PostgreSQL cluster. Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

build=build-asan
# Line tables are all the sanitizers' reports need; full debug information
# would make the build and its links a fifth slower. The libraries compile in
# batches (ZEVRA_UNITY), which halves a build from scratch.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DZEVRA_SANITIZE=ON -DZEVRA_WERROR=ON -DZEVRA_UNITY=ON
cmake --build "$build"
./scripts/with-postgres.sh \
  ctest --test-dir "$build" --output-on-failure --timeout 300 --parallel "$(nproc)" "$@"
./scripts/fuzz.sh 60

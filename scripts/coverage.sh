#!/usr/bin/env bash
# Line coverage of src/ and server/ by the whole test suite: builds a Debug
# tree with gcov instrumentation (build-coverage), runs the suite and prints
# gcovr's summary. Usage: scripts/coverage.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
command -v gcovr >/dev/null || apt-get install -y --no-install-recommends gcovr

build=${1:-build-coverage}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEVRA_COVERAGE=ON -DZEVRA_UNITY=ON
cmake --build "$build"
find "$build" -name '*.gcda' -delete
./scripts/with-postgres.sh ctest --test-dir "$build" --timeout 300 --parallel "$(nproc)" || true
gcovr --root . --filter 'src/' --filter 'server/' --print-summary "$build" | tail -3

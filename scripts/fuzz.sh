#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, ASan + UBSan) in build-fuzz
# and runs each for SECONDS (default 60) on a copy of its seed corpus, all of
# them at once: they share the cores, and the step takes SECONDS, not five
# times that. Fails on any crash, leak, undefined behaviour
# or hang; what caused it is kept in build-fuzz/runs/<target>/.
#   scripts/fuzz.sh [SECONDS]
# ZEVRA_BUILD_LOCK=FILE builds under `flock FILE` on a machine shared with
# other builds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
targets=(fuzz_db fuzz_sync_reply fuzz_report_reply fuzz_duration fuzz_server_api)

lock=()
[ -n "${ZEVRA_BUILD_LOCK:-}" ] && lock=(flock "$ZEVRA_BUILD_LOCK")
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS_DEBUG=-g1 -O1" -DZEVRA_FUZZ=ON -DZEVRA_WERROR=ON -DZEVRA_UNITY=ON >/dev/null
"${lock[@]}" cmake --build "$build" --target "${targets[@]}"

runs=$build/runs
rm -rf "$runs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run() {
  local target=$1 dir=$runs/$1
  mkdir -p "$dir/corpus"
  cp fuzz/corpus/"$target"/* "$dir/corpus/"
  if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
      -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1; then
    awk -v t="$target" '/DONE/{ for (i = 1; i < NF; i++) if ($i ~ /^(cov|ft):$/) f[$i] = $(i + 1) }
      /^stat::number_of_executed_units/{ n = $2 } /^stat::average_exec_per_sec/{ r = $2 }
      END { printf "%-18s ok: %d runs, %d/s, cov %s, ft %s\n", t, n, r, f["cov:"], f["ft:"] }' "$dir/log"
  else
    echo "$target FAILED (log $dir/log):"
    grep -E "ERROR|SUMMARY|expected|Test unit written" "$dir/log" | head -20
    return 1
  fi
}
export -f run
export build runs seconds
printf '%s\n' "${targets[@]}" | xargs -P "${#targets[@]}" -I{} bash -c 'run {}'

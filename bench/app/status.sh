#!/usr/bin/env bash
# `zevra-tikit status` on a 10,000-entry database, as a status bar runs it:
# median and worst wall time of 100 runs (plain and --json alternating).
#
#   bench/app/status.sh [build folder]      (default build-bench, a Release tree)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-bench}
app="$build/src/app/zevra-tikit"
[ -x "$app" ] || { echo "build zevra-tikit in $build first (a Release tree)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
dir=$XDG_DATA_HOME/org.zevra.tikit
mkdir -p "$dir"
# 9,999 finished entries with a picture each and one running at the end; the
# start below stops it and adds the 10,001st.
awk 'BEGIN {
  printf "{\"clients\":[{\"archived\":false,\"color\":\"#FAAF3B\",\"id\":\"c1\",\"name\":\"Acme\",\"sync_state\":\"synced\"}],\"entries\":["
  for (i = 1; i <= 10000; i++) {
    end = (i < 10000) ? "\"ended_at\":\"2026-01-05T10:00:00Z\"," : ""
    printf "%s{\"client_id\":\"c1\",\"deleted\":false,\"description\":\"Task number %d with a longer description\",%s\"id\":\"srv%d\",\"screenshot_cleared\":false,\"screenshot_pending_upload\":false,\"screenshots\":[{\"server\":\"2026/01/%010x.png\"}],\"server_id\":%d,\"started_at\":\"2026-01-05T09:00:00Z\",\"sync_state\":\"synced\",\"updated_at\":\"2026-01-05T10:00:00Z\"}", (i > 1 ? "," : ""), i, end, i, i, i
  }
  printf "],\"settings\":{\"api_key\":\"k\",\"is_admin\":false,\"server\":\"http://127.0.0.1:9\",\"user_name\":\"Ada\"},\"tasks\":[]}"
}' > "$dir/db.json"
# A start through the app's own store writes the file in the app's layout.
"$app" start "Benchmark entry" >/dev/null
"$app" status | grep -q "Benchmark entry" || { echo "status did not read the database" >&2; exit 1; }

times=()
for i in $(seq 1 100); do
    flag=""; [ $((i % 2)) -eq 0 ] && flag="--json"
    start=${EPOCHREALTIME/./}
    "$app" status $flag >/dev/null
    times+=($(( ${EPOCHREALTIME/./} - start )))
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
  printf "status on 10,000 entries, 100 runs: median %.1f ms, worst %.1f ms\n", t[int((NR + 1) / 2)] / 1000, t[NR] / 1000 }'

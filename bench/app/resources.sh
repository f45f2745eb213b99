#!/usr/bin/env bash
# Resource use of the tray app, measured for real: time from launch until the
# tray icon is shown, resident memory while idle with the panel closed, and
# the CPU it uses over 60 s with a running entry and the panel closed. Runs
# under Xvfb with trayer and a local zevra-server.
#
#   bench/app/resources.sh [build folder]      (default build-bench, a Release tree)
#   SECONDS_CPU=60 bench/app/resources.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-bench}
app="$build/src/app/zevra-tikit"
server="$build/server/zevra-server"
[ -x "$app" ] && [ -x "$server" ] || {
    echo "build zevra-tikit and zevra-server in $build first:" >&2
    echo "  cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build $build" >&2
    exit 1
}
cpu_seconds=${SECONDS_CPU:-60}

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 3>"$work/display" &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
trayer --edge top --align right --widthtype request --height 24 --SetDockType true >/dev/null 2>&1 &
pids+=($!)
sleep 1

key=$("$server" --data "$work/server" create-admin Bench 2>/dev/null)
port=$(( (RANDOM % 20000) + 30000 ))
"$server" --data "$work/server" --listen "127.0.0.1:$port" >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do grep -q listening "$work/server.log" && break; sleep 0.1; done

# A profile with a running entry (started an hour ago) and some history.
mkdir -p "$work/data/org.zevra.tikit" "$work/config"
started=$(date -u -d '1 hour ago' +%Y-%m-%dT%H:%M:%SZ)
{
    echo '{"clients": [], "tasks": [], "settings": {"api_key": "'"$key"'", "is_admin": true,'
    echo ' "server": "http://127.0.0.1:'"$port"'", "user_name": "Bench"}, "entries": ['
    for i in $(seq 1 500); do
        echo '{"id": "e'"$i"'", "description": "Task '"$((i % 40))"'", "started_at": "2026-01-0'"$((i % 9 + 1))"'T09:00:00Z",'
        echo ' "ended_at": "2026-01-0'"$((i % 9 + 1))"'T10:00:00Z", "updated_at": "2026-01-01T00:00:00Z", "sync_state": "synced",'
        echo ' "deleted": false, "screenshot_pending_upload": false, "screenshot_cleared": false, "screenshots": []},'
    done
    echo '{"id": "running", "description": "Benchmark run", "started_at": "'"$started"'",'
    echo ' "updated_at": "'"$started"'", "sync_state": "pending", "deleted": false,'
    echo ' "screenshot_pending_upload": false, "screenshot_cleared": false, "screenshots": []}]}'
} >"$work/data/org.zevra.tikit/db.json"

start_ns=$(date +%s%N)
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
until xwininfo -root -tree 2>/dev/null | grep -q '("zevra-tikit" "zevra-tikit")'; do
    kill -0 "$app_pid" 2>/dev/null || { cat "$work/app.log" >&2; exit 1; }
    sleep 0.005
done
shown_ns=$(date +%s%N)
echo "launch to tray icon : $(( (shown_ns - start_ns) / 1000000 )) ms"

sleep 5
rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$app_pid/status")
echo "idle resident memory: $((rss_kb / 1024)) MB (panel closed, 501 entries)"

ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$cpu_seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$cpu_seconds" \
    'BEGIN { printf "CPU over %d s       : %.2f %% (%.2f s, running entry, panel closed)\n", s, 100 * t / hz / s, t / hz }'

#!/usr/bin/env bash
# Quick start: installs what is needed, builds, starts a local zevra-server
# (SQLite, under .demo/) with a first administrator, and launches the tray app
# in a demo profile already connected to it. Stop with "Quit Zevra Tikit" from
# the tray menu (or Ctrl+C here); the server stops with it.
#
#   scripts/demo.sh            port 8080 (or the next free one)
#   ZEVRA_DEMO_PORT=9000 scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh

build="$root/build-release"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEVRA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target zevra-tikit zevra-server

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "demo: there is no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "demo: the tray app needs a desktop session; run this from a terminal on your desktop." >&2
    exit 1
fi

demo="$root/.demo"
server_data="$demo/server"
profile="$demo/profile"
mkdir -p "$demo" "$profile/data/org.zevra.tikit" "$profile/config"
chmod 700 "$demo"

server_bin="$build/server/zevra-server"
app_bin="$build/src/app/zevra-tikit"

# The first administrator, created once and kept for later runs.
key_file="$demo/admin-key"
if [ ! -s "$key_file" ]; then
    if ! "$server_bin" --data "$server_data" create-admin "Admin" >"$key_file.tmp" 2>"$demo/create-admin.log"; then
        cat "$demo/create-admin.log" >&2
        exit 1
    fi
    mv "$key_file.tmp" "$key_file"
    chmod 600 "$key_file"
fi
key=$(head -n 1 "$key_file")

port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}
# Keep the port of earlier runs so the profile's address stays valid.
port_file="$demo/port"
port="${ZEVRA_DEMO_PORT:-$(cat "$port_file" 2>/dev/null || echo 8080)}"
while ! port_free "$port"; do port=$((port + 1)); done
echo "$port" >"$port_file"
url="http://127.0.0.1:$port"

server_log="$demo/server.log"
"$server_bin" --data "$server_data" --listen "127.0.0.1:$port" >"$server_log" 2>&1 &
server_pid=$!
cleanup() { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; }
trap cleanup EXIT INT TERM

for _ in $(seq 1 100); do
    grep -q "listening" "$server_log" 2>/dev/null && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$server_log" >&2; exit 1; }
    sleep 0.1
done

# Point the demo profile at this server. A fresh profile gets a new database;
# an existing one keeps its entries and only has its address and key updated.
db="$profile/data/org.zevra.tikit/db.json"
if [ ! -s "$db" ]; then
    (umask 077 && cat >"$db" <<JSON
{
    "clients": [],
    "entries": [],
    "settings": {
        "api_key": "$key",
        "is_admin": true,
        "server": "$url",
        "user_name": "Admin"
    },
    "tasks": []
}
JSON
    )
else
    # The key the profile has stays: after "New key" on oneself it is the only
    # one the server still takes. Only a profile without a key gets the first.
    sed -i -e "s|^        \"server\": \"[^\"]*\"|        \"server\": \"$url\"|" \
           -e "s|^        \"api_key\": \"\"|        \"api_key\": \"$key\"|" "$db"
fi

# The command line on the same profile: . .demo/env, then zevra-tikit status.
cat >"$demo/env" <<ENV
export XDG_DATA_HOME="$profile/data"
export XDG_CONFIG_HOME="$profile/config"
export PATH="$(dirname "$app_bin"):\$PATH"
ENV

cat <<INFO

  zevra-server   $url   (data in $server_data, log in $server_log)
  administrator  Admin
  API key        $key

  The tray app runs with its own profile in $profile.
  Click the timer icon in your system tray to open the panel.
  The command line on the same profile:  . $demo/env && zevra-tikit status

INFO

XDG_DATA_HOME="$profile/data" XDG_CONFIG_HOME="$profile/config" "$app_bin"

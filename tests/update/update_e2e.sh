#!/usr/bin/env bash
# The self-update end to end: CPack's release zip published on a local zevra-server, and an
# older copy of "Zevra Tikit.app" (version stamp lowered) under a folder named to break bad
# quoting. A tampered archive leaves it alone; the genuine archive replaces it.
# Usage: update_e2e.sh BUILD_DIR ZEVRA_SERVER
set -euo pipefail
build=$1 server=$2 work=$(mktemp -d) srv_pid=
trap '[ -n "$srv_pid" ] && kill "$srv_pid" 2>/dev/null; wait; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp XDG_RUNTIME_DIR=$work/run
mkdir -p "$TMPDIR" -m 700 "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME/org.zevra.tikit"
fail() { echo "FAIL: $*"; exit 1; }
waitfor() { for _ in $(seq 600); do grep -qx "$1" "$2" && return; sleep 0.1; done; fail "no '$1': $(cat "$2")"; }

(cd "$work" && cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
zip=$(echo "$work"/pkg/zevra-tikit-*.zip) && version=${zip##*/zevra-tikit-} && version=${version%.zip}
old_version=$(echo "$version" | tr 1-9 0)
"$server" --data "$work/srv" publish "$version" "$zip" >/dev/null
"$server" --data "$work/srv" --listen 127.0.0.1:0 >"$work/server.log" 2>&1 & srv_pid=$!
waitfor "zevra-server listening on .*" "$work/server.log"
printf '{"clients":[],"entries":[],"tasks":[],"settings":{"server":"%s","api_key":"","user_name":"","is_admin":false}}' \
    "$(grep -o "http://127.0.0.1:[0-9]*" "$work/server.log")" >"$XDG_DATA_HOME/org.zevra.tikit/db.json"

parent="$work/it's \"\$(touch pwned)\" \`x\`" && bundle="$parent/Zevra Tikit.app"
mkdir -p "$parent" && unzip -q "$zip" -d "$parent"
perl -pi -e "s/zevra-tikit version=\Q$version\E/zevra-tikit version=$old_version/" "$bundle/bin/zevra-tikit"
run() { (cd "$work" && ZEVRA_UPDATE_TEST=1 ZEVRA_NO_SAVE=1 "$@" "$bundle/bin/zevra-tikit"); }

stored="$work/srv/releases/$version/zevra-tikit-$version.zip" && cp "$stored" "$work/genuine.zip"
printf 'x' >>"$stored"
out=$(run env ZEVRA_UPDATE_INSTALL=1)
grep -qx "Update failed: The download does not match its published checksum." <<<"$out" || fail "tampered: $out"
run | grep -qx "current version  : $old_version" || fail "the old copy does not run as $old_version"

# The genuine archive: the old process ends, the bundle is swapped, the new copy starts
# (with the same switches and output), finds nothing newer than itself and ends.
cp "$work/genuine.zip" "$stored"
run env ZEVRA_UPDATE_INSTALL=1 >"$work/install.log" 2>&1 &
waitfor "AVAILABLE        : $version  releases/$version/zevra-tikit-$version.zip" "$work/install.log"
wait $! || fail "the old copy failed"
waitfor "current version  : $version" "$work/install.log"
waitfor "no newer release published" "$work/install.log"
unzip -p "$zip" "Zevra Tikit.app/bin/zevra-tikit" | cmp -s - "$bundle/bin/zevra-tikit" || fail "not replaced"
[ -z "$(find "$work" -name pwned)" ] || fail "pwned"
sleep 0.5
echo "PASS: $old_version -> $version"

#!/usr/bin/env bash
# The self-update end to end: the release zip made by CPack, published on a local
# zevra-server, and an older copy of "Zevra Tikit.app" (its version stamp lowered)
# under a folder whose name would run commands if the swap script quoted it badly.
# A tampered archive is refused and the old copy keeps working; the genuine one
# replaces the bundle, the old process ends and the new version starts.
# Usage: update_e2e.sh BUILD_DIR ZEVRA_SERVER
set -euo pipefail
build=$1 server=$2
work=$(mktemp -d)
srv_pid=
trap '[ -n "$srv_pid" ] && kill "$srv_pid" 2>/dev/null; wait; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp XDG_RUNTIME_DIR=$work/run
mkdir -p "$TMPDIR" -m 700 "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME/org.zevra.tikit"
fail() { echo "FAIL: $*"; exit 1; }

(cd "$work" && cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
zip=$(echo "$work"/pkg/zevra-tikit-*.zip)
version=${zip##*/zevra-tikit-} version=${version%.zip}
old_version=$(echo "$version" | tr 1-9 0)
"$server" --data "$work/srv" publish "$version" "$zip" >/dev/null
"$server" --data "$work/srv" --listen 127.0.0.1:0 >"$work/server.log" 2>&1 &
srv_pid=$!
for _ in $(seq 300); do grep -q listening "$work/server.log" && break; sleep 0.1; done
base=$(grep -o "http://127.0.0.1:[0-9]*" "$work/server.log") || fail "no server: $(cat "$work/server.log")"
printf '{"clients":[],"entries":[],"tasks":[],"settings":{"server":"%s","api_key":"","user_name":"","is_admin":false}}' \
    "$base" >"$XDG_DATA_HOME/org.zevra.tikit/db.json"

parent="$work/it's \"\$(touch pwned)\" \`x\`"
bundle="$parent/Zevra Tikit.app"
mkdir -p "$parent"
unzip -q "$zip" -d "$parent"
perl -pi -e "s/zevra-tikit version=\Q$version\E/zevra-tikit version=$old_version/" "$bundle/bin/zevra-tikit"
run() { (cd "$work" && ZEVRA_UPDATE_TEST=1 ZEVRA_NO_SAVE=1 "$@" "$bundle/bin/zevra-tikit"); }
run | grep -qx "current version  : $old_version" || fail "the older copy does not say $old_version"

# The dry run unpacks and names what it would replace; neither the tampered
# archive below nor it touches the old copy.
out=$(run env ZEVRA_UPDATE_DRYRUN=1)
grep -q "^DRYRUN: unpacked $TMPDIR/zevra-update-.*/Zevra Tikit.app$" <<<"$out" &&
    grep -qxF "DRYRUN: would replace $bundle" <<<"$out" || fail "dry run: $out"

# A tampered archive: refused, nothing replaced, the old copy still runs.
stored="$work/srv/releases/$version/zevra-tikit-$version.zip"
cp "$stored" "$work/genuine.zip" && printf 'x' >>"$stored"
out=$(run env ZEVRA_UPDATE_INSTALL=1)
grep -qx "Update failed: The download does not match its published checksum." <<<"$out" || fail "tampered: $out"
run | grep -qx "current version  : $old_version" || fail "the old copy is gone after a refused update"

# The genuine archive: the old process ends, the bundle is swapped, the new one starts.
cp "$work/genuine.zip" "$stored"
run env ZEVRA_UPDATE_INSTALL=1 >"$work/install.log" 2>&1 &
old_pid=$!
for _ in $(seq 600); do grep -qx "current version  : $version" "$work/install.log" && break; sleep 0.1; done
grep -qx "current version  : $version" "$work/install.log" || fail "no new start: $(cat "$work/install.log")"
wait "$old_pid" || fail "the old copy failed"
grep -qx "AVAILABLE        : $version  releases/$version/zevra-tikit-$version.zip" "$work/install.log" ||
    fail "no AVAILABLE line"
cmp -s "$bundle/bin/zevra-tikit" "$build/src/app/zevra-tikit" || fail "the bundle was not replaced"
[ -z "$(find "$work" -name pwned)" ] || fail "pwned"
ls -d "$parent"/*.zevra-* 2>/dev/null && fail "copies left beside the bundle"
# The new copy finds nothing newer than itself and ends.
for _ in $(seq 300); do grep -q "no newer release published" "$work/install.log" && break; sleep 0.1; done
grep -q "no newer release published" "$work/install.log" || fail "the new copy did not finish"
sleep 0.5
echo "PASS: $old_version -> $version"

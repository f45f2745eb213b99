#!/usr/bin/env bash
# Real-window smoke test of the tray app: Xvfb with a system tray (trayer), a
# local zevra-server, the app in a temporary profile, driven with xdotool.
#   tray_smoke.sh <zevra-tikit> <zevra-server> <folder for screenshots>
set -euo pipefail
# A session bus of its own, for the accessibility bus the app and the walker meet on.
# Its launcher keeps its socket in XDG_RUNTIME_DIR, which must exist.
if [ -z "${ZEVRA_SMOKE_BUS:-}" ]; then
    export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    exec env ZEVRA_SMOKE_BUS=1 dbus-run-session -- bash "$0" "$@"
fi
app=$1 server=$2 shots=$3
mkdir -p "$shots"
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
    for log in app server xvfb trayer; do echo "--- $log output"; cat "$work/$log.log" 2>/dev/null; done >&2
    xwininfo -root -tree >&2 2>/dev/null; echo "FAIL: $*" >&2; exit 1
}
# wait_for <seconds> <command...>: polls every 0.1 s.
wait_for() {
    local limit=$(($1 * 10)); shift
    for _ in $(seq 1 "$limit"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1
}
last_panel() { grep '^ZEVRA_PANEL ' "$work/app.log" | tail -n 1; }
# The panel's window is made anew each time it opens.
panel_window() { grep '^ZEVRA_WINID ' "$work/app.log" | tail -n 1 | cut -d' ' -f2; }

# --- display with a tray (trayer sometimes needs a second try)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 3>"$work/display" &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
for attempt in 1 2; do
    trayer --edge top --align right --widthtype request --height 24 --transparent false \
        --tint 0x333333 --SetDockType true >>"$work/trayer.log" 2>&1 &
    pids+=($!)
    wait_for 20 sh -c "xwininfo -root -tree | grep -q '\"panel\": (\"panel\" \"trayer\")'" && break
    kill "${pids[-1]}" 2>/dev/null || true
    [ "$attempt" -eq 2 ] && fail "trayer did not start"
done

# --- server with a first administrator, and the app already connected to it
"$server" --data "$work/server" create-admin "Smoke Admin" >"$work/key" 2>/dev/null || fail "create-admin failed"
key=$(head -n 1 "$work/key")
port=$(( (RANDOM % 20000) + 30000 ))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
start_server() {
    "$server" --data "$work/server" --listen "127.0.0.1:$port" >>"$work/server.log" 2>&1 &
    server_pid=$!
    pids+=($server_pid)
    wait_for 10 sh -c "[ \$(grep -c listening '$work/server.log') -ge $1 ]" || fail "server did not start"
}
start_server 1
url="http://127.0.0.1:$port"
db="$work/data/org.zevra.tikit/db.json"
mkdir -p "$(dirname "$db")" "$work/config"
# Twenty past days with an hour each (09:00 to 10:00 UTC), so that the list scrolls.
history=""
for i in $(seq 1 20); do
    day=$(date -u -d "-$i day" +%F)
    history+="{\"id\": \"$(cat /proc/sys/kernel/random/uuid)\", \"description\": \"Past work $i\", \"deleted\": false, "
    history+="\"started_at\": \"${day}T09:00:00Z\", \"ended_at\": \"${day}T10:00:00Z\", \"updated_at\": \"${day}T10:00:00Z\", "
    history+="\"screenshots\": [], \"screenshot_cleared\": false, \"screenshot_pending_upload\": false, \"sync_state\": \"pending\"},"
done
echo "{\"clients\": [{\"id\": \"acme\", \"name\": \"Acme\", \"color\": \"#22c55e\", \"archived\": false, \"sync_state\": \"pending\"}], \"entries\": [${history%,}], \"tasks\": [], \"settings\": {\"api_key\": \"$key\", \"is_admin\": false, \"server\": \"$url\", \"user_name\": \"\"}}" >"$db"
# entry_of TEXT: the stored entry whose block holds TEXT (db.json is written four spaces deep).
entry_of() { awk -v t="$1" '/^        \{/ {b = ""} {b = b $0 "\n"} /^        \}/ && index(b, t) {printf "%s", b}' "$db"; }
start_app() {
    XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$@" "$app" >"$work/app.log" 2>&1 &
    app_pid=$!
    pids+=($app_pid)
}
# The accessibility bus first, so the app joins it as it starts.
dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 || true
start_app env ZEVRA_PRINT_WINID=1 TZ=UTC QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# walk [--expect NAME ...]: every control and text of the app on screen has a name for screen readers.
walk() { /usr/bin/python3 "$(dirname "$0")/a11y_walk.py" "$@" >"$work/walk.log" 2>&1 || fail "accessibility: $(cat "$work/walk.log")"; }
wait_for 20 sh -c "xwininfo -root -tree | grep -q '(\"zevra-tikit\" \"zevra-tikit\")'" || fail "the tray icon did not appear"
sleep 0.5
read -r iw ih ix iy < <(xwininfo -root -tree | grep '("zevra-tikit" "zevra-tikit")' | grep -v '+-' | head -n 1 |
    sed -E 's/.* ([0-9]+)x([0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/')
icon_x=$((ix + iw / 2)) icon_y=$((iy + ih / 2))

# --- a click opens the panel 6 px under the icon, 8 px inside the screen
xdotool mousemove "$icon_x" "$icon_y" click 1
wait_for 10 sh -c "[ \$(grep -c '^ZEVRA_PANEL ' '$work/app.log') -ge 1 ]" || fail "no panel after a click"
read -r _ px py pw ph _ _ < <(last_panel)
winid=$(panel_window)
[ "$py" -eq $((iy + ih + 6)) ] || fail "panel top $py is not 6 px under the icon (bottom $((iy + ih)))"
[ $((px + pw)) -le 1272 ] || fail "panel right edge $((px + pw)) is not 8 px inside the screen"
[ "$px" -le "$icon_x" ] && [ $((px + pw)) -ge "$icon_x" ] || fail "panel is not under the icon"
wait_for 5 sh -c "xwininfo -id $winid | grep -q IsViewable" || fail "panel window not visible"
sleep 1
import -window root "$shots/smoke-panel.png"

# --- type a description, paste two pictures with Ctrl+V (they wait as tiles in the composer),
# press Start (42 px left of the right edge, 74 below the top) while the server is away: the
# pictures become files of the pending entry; with the server back, a sync uploads them
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
paste_png() {
    convert -size 800x400 "xc:$1" "$work/paste.png"
    xclip -selection clipboard -t image/png -i "$work/paste.png"
    sleep 0.3; xdotool key ctrl+v; sleep 0.5
}
xdotool mousemove $((px + 80)) $((py + 74)) click 1
xdotool type --delay 20 "Smoke test entry"
paste_png '#FF00FF'; paste_png '#00FFFF'
tile_x=$((px + 105)) tile_y=$((py + 185))
[ "$(pixel "$tile_x" "$tile_y")" = "#FF00FF" ] || fail "no pasted tile in the composer"
import -window root "$shots/smoke-paste.png"
kill "$server_pid"; wait "$server_pid" 2>/dev/null || true
xdotool mousemove $((px + pw - 42)) $((py + 74)) click 1
wait_for 10 grep -q '"Smoke test entry"' "$db" || fail "no entry in db.json after Start"
[[ "$(entry_of '"Smoke test entry"')" == *'"ended_at"'* ]] && fail "the new entry is not running"
grep -q '"sync_state": "pending"' "$db" || fail "the new entry is not pending"
[ "$(grep -c '"file": ' "$db")" -eq 2 ] && [ "$(ls "$(dirname "$db")/screenshots" | wc -l)" -eq 2 ] ||
    fail "the pictures were not attached as files"
# Read by a screen reader: the row, the pictures, the chip, the time box, headings, today's total.
walk --expect "Past work 1, No client, 1 hour" --expect "Picture 1 of 2" --expect "Client: No client" \
    --expect "Running time" --expect "TODAY TOTAL" --expect-re "Yesterday, 1 hour" \
    --expect-re "[0-9]+ seconds?|[0-9]+ minutes?( [0-9]+ seconds?)?"
start_server 2
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$app" sync >/dev/null 2>&1 || true
wait_for 15 sh -c "curl -sf -X POST -H 'Content-Type: application/json' -H 'X-Api-Key: $key' \
    --data '{\"pending\":[],\"new_clients\":[]}' --compressed '$url/api.php?action=sync' |
    grep -q '\"Smoke test entry\"'" || fail "the entry did not reach the server"
wait_for 10 grep -q '"server_id"' "$db" || fail "the entry got no server id"
wait_for 15 sh -c "[ \$(grep -c '\"server\": \"20' '$db') -eq 2 ]" || fail "the pictures got no server path"
[ "$(find "$work/server/uploads" -name '*.png' | wc -l)" -eq 2 ] || fail "the server does not hold the pictures"

# --- a click on the first tile previews it above the panel (the previewer is centred on the
# screen and overlaps the panel at x 1000); Right shows the second; Escape closes only the preview
xdotool mousemove "$tile_x" "$tile_y" click 1
wait_for 5 sh -c "xdotool search --onlyvisible --name '^Preview\$' | grep -q ." || fail "no previewer after a click on a tile"
sleep 0.5
[ "$(pixel 1000 400)" = "#FF00FF" ] || fail "the previewer does not show the first picture above the panel"
import -window root "$shots/smoke-preview.png"
xdotool key Right; sleep 0.5
[ "$(pixel 1000 400)" = "#00FFFF" ] || fail "Right did not move to the second picture"
import -window root "$shots/smoke-preview-next.png"
xdotool key Escape
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Preview\$' | grep -q ." || fail "Escape did not close the previewer"
sleep 0.5
xwininfo -id "$winid" | grep -q IsViewable || fail "Escape closed the panel with the previewer"

# --- a click on a row (found from the bottom up) opens its card left of the panel with the arrow
# at that row; the card moves with its row when the list scrolls under it
# open_card X FROM TO: clicks at X from FROM to TO, 12 px apart, until a card shows.
open_card() {
    card=""
    for y in $(seq "$2" $(($3 > $2 ? 12 : -12)) "$3"); do
        xdotool mousemove "$1" "$y" click 1; sleep 0.3
        card=$(xdotool search --onlyvisible --name '^Details$' 2>/dev/null | head -n 1) && [ -n "$card" ] && break
    done
    [ -n "$card" ] || fail "no card after a click on a row"
    sleep 0.5
    card_geometry
}
card_geometry() {
    cx=$(xwininfo -id "$card" | awk '/Absolute upper-left X:/ {print $4}')
    cy=$(xwininfo -id "$card" | awk '/Absolute upper-left Y:/ {print $4}')
    cw=$(xwininfo -id "$card" | awk '/Width:/ {print $2}')
    ch=$(xwininfo -id "$card" | awk '/Height:/ {print $2}')
}
# arrow_at X Y: the card's colour at Y reaches out to X somewhere beside the clicked row (its
# arrow), but not at the card's top, where the screen behind shows.
arrow_at() {
    local body
    body=$(pixel "$2" "$y")
    [ "$(pixel "$1" $((cy + 6)))" != "$body" ] &&
        [ "$(import -window root -crop "1x41+$1+$((y - 20))" -depth 8 txt:- | grep -c "$body")" -gt 0 ]
}
close_card() {
    xdotool key Escape
    wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Details\$' | grep -q ." || fail "Escape did not close the card"
    sleep 0.5
    xwininfo -id "$winid" | grep -q IsViewable || fail "Escape closed the panel with the card"
}
# --- with the timer running, keys typed and Ctrl+V in the Team overlay (the header's first
# button) stay in it: the running entry keeps its name and its two pictures
xdotool mousemove $((px + pw - 79)) $((py + 22)) click 1; sleep 0.5
xdotool type --delay 20 "John"; xdotool key ctrl+v; sleep 0.3
import -window root "$shots/smoke-team.png"
walk --expect "Add person" --expect "Name"
xdotool key Escape; sleep 1
xwininfo -id "$winid" | grep -q IsViewable || fail "Escape closed the panel with the Team overlay"
smoke=$(entry_of '"Smoke test entry"')
[ "$(grep -cE '"(file|server)": ' <<<"$smoke")" -eq 2 ] || fail "keys in the Team overlay reached the running entry: $smoke"

# --- the running entry's card (the list's first row, found from the top down) stays right after
# a Stop in the composer: Save, clicked, leaves every entry ended and the stop's end as it was
open_card $((px + 100)) $((py + 240)) $((py + 400))
import -window root "$shots/smoke-card-running.png"
walk --expect "Description" --expect "Duration" --expect "Save" --expect "Start" --expect "End"
xdotool mousemove $((px + pw - 72)) $((py + 74)) click 1 # Stop, left of the running entry's trash
smoke_ended() { [[ "$(entry_of '"Smoke test entry"')" == *'"ended_at"'* ]]; }
wait_for 5 smoke_ended ||
    fail "Stop in the composer did not end the running entry"
stopped=$(entry_of '"Smoke test entry"' | grep -o '"ended_at": "[^"]*"')
sleep 0.5; card_geometry # with its row, higher now that the composer has no pictures
import -window root "$shots/smoke-card-stopped.png"
xdotool mousemove $((cx + 262)) $((cy + ch - 24)) click 1
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Details\$' | grep -q ." || fail "Save did not close the running entry's card"
sleep 0.5
[ "$(grep -c '"started_at"' "$db")" -eq "$(grep -c '"ended_at"' "$db")" ] || fail "Save in the card made an entry run again"
[ "$(entry_of '"Smoke test entry"' | grep -o '"ended_at": "[^"]*"')" = "$stopped" ] || fail "Save in the card moved the stop's end"
# The keys are the panel's again: Escape hides it; the icon brings it back.
xdotool key Escape
wait_for 5 sh -c "! xwininfo -id $winid 2>/dev/null | grep -q IsViewable" || fail "Escape after the card closed did not hide the panel"
xdotool mousemove "$icon_x" "$icon_y" click 1
wait_for 10 sh -c "[ \$(grep -c '^ZEVRA_PANEL ' '$work/app.log') -ge 2 ]" || fail "the panel did not reopen"
winid=$(panel_window)
sleep 0.5
open_card $((px + 100)) $((py + ph - 40)) $((py + 240))
[ "$cx" -eq $((px + 20 - 315)) ] || fail "card at x $cx, not beside the panel at $((px + 20 - 315))"
# Nothing clamps it here, so the card and its arrow are centred on the row.
mid=$((cy + ch / 2))
[ $((mid - y)) -le 24 ] && [ $((y - mid)) -le 24 ] || fail "the card's arrow at $mid does not point at the row clicked at $y"
import -window root "$shots/smoke-card.png"
opened_y=$cy
xdotool mousemove $((px + 100)) $((py + 400)) click 5; sleep 0.5; card_geometry
[ "$cy" -lt "$opened_y" ] || fail "the card stayed at $cy while the list scrolled down under it"
import -window root "$shots/smoke-card-scrolled.png"
xdotool click 4; sleep 0.5; card_geometry
[ "$cy" -eq "$opened_y" ] || fail "the card is at $cy, not back at $opened_y with its row"

# --- a picture pasted while the card is open goes onto that entry; a new description and an end
# one hour later (Tab to the end time's hour past the chip, the picture and its remove button,
# the duration and the start's two parts; Up), saved with Return, reach the row, db.json and the server
paste_png '#FFFF00'
sleep 0.5; card_geometry
import -window root "$shots/smoke-card-paste.png"
[ "$(import -window root -crop "${cw}x${ch}+$cx+$cy" -depth 8 txt:- | grep -c '#FFFF00')" -gt 1000 ] ||
    fail "the pasted picture is not in the card"
xdotool key ctrl+a; xdotool type --delay 20 "Edited in card"
xdotool key Tab Tab Tab Tab Tab Up; sleep 0.3
import -window root "$shots/smoke-card-edit.png"
xdotool key Return
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Details\$' | grep -q ." || fail "Return did not save and close the card"
edit_saved() { [[ "$(entry_of '"Edited in card"')" == *'"ended_at": "'*T11:00:00Z* ]]; }
wait_for 5 edit_saved || fail "db.json has no 'Edited in card' ending at 11:00"
edited=$(entry_of '"Edited in card"')
grep -q '"started_at": "[0-9-]*T09:00:00Z"' <<<"$edited" || fail "saving moved the start: $edited"
[ "$(grep -cE '"(file|server)": ' <<<"$edited")" -eq 1 ] || fail "the pasted picture is not on the edited entry: $edited"
sleep 0.5
import -window root "$shots/smoke-card-saved.png"
wait_for 15 sh -c "curl -sf -X POST -H 'Content-Type: application/json' -H 'X-Api-Key: $key' \
    --data '{\"pending\":[],\"new_clients\":[]}' --compressed '$url/api.php?action=sync' |
    grep -o '{[^{}]*\"Edited in card\"[^{}]*' | grep -q 'T11:00:00'" || fail "the edit did not reach the server"

# --- dragging the left edge makes it 100 px wider; the right edge stays
xdotool mousemove $((px + 4)) $((py + 300)) mousedown 1
for step in 25 50 75 100; do xdotool mousemove $((px + 4 - step)) $((py + 300)); sleep 0.05; done
xdotool mouseup 1
sleep 0.5
new_w=$(xwininfo -id "$winid" | awk '/Width:/ {print $2}')
new_x=$(xwininfo -id "$winid" | awk '/Absolute upper-left X:/ {print $4}')
[ "$new_w" -eq $((pw + 100)) ] || fail "dragging the left edge gave width $new_w, not $((pw + 100))"
[ $((new_x + new_w)) -eq $((px + pw)) ] || fail "the right edge moved while resizing"
pw=$new_w

# --- Escape hides it; the icon reopens it at the same size
xdotool key Escape
wait_for 5 sh -c "! xwininfo -id $winid 2>/dev/null | grep -q IsViewable" || fail "Escape did not hide the panel"
xdotool mousemove "$icon_x" "$icon_y" click 1
wait_for 10 sh -c "[ \$(grep -c '^ZEVRA_PANEL ' '$work/app.log') -ge 3 ]" || fail "the panel did not reopen"
read -r _ _ _ w h _ _ < <(last_panel)
winid=$(panel_window)
[ "$w $h" = "$pw $ph" ] || fail "reopened at ${w}x${h}, not ${pw}x${ph}"
xdotool key Escape
sleep 0.5

# --- `zevra-tikit toggle` (a key binding) opens the panel under the pointer, here at the screen's
# left edge: a card then opens to its right with the arrow at the panel; a second toggle closes it
toggle() { XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$app" toggle >/dev/null 2>&1; }
xdotool mousemove 10 400
toggle || fail "toggle failed"
wait_for 10 sh -c "[ \$(grep -c '^ZEVRA_PANEL ' '$work/app.log') -ge 4 ]" || fail "toggle did not open the panel"
read -r _ tx ty _ _ _ _ < <(last_panel)
winid=$(panel_window)
[ "$tx" -eq 8 ] || fail "the toggled panel at x $tx is not 8 px inside the left edge, under the pointer"
sleep 0.5
open_card $((tx + 100)) $((ty + ph - 40)) $((ty + 240))
[ "$cx" -eq $((tx + pw + 8)) ] || fail "card at x $cx, not right of the panel at $((tx + pw + 8))"
import -window root "$shots/smoke-card-right.png"
arrow_at $((cx + 6)) $((cx + 14)) || fail "the card's arrow is not on its left, at the panel"
close_card
toggle || fail "the second toggle failed"
wait_for 5 sh -c "! xwininfo -id $winid 2>/dev/null | grep -q IsViewable" || fail "a second toggle did not close the panel"

# --- a keyboard-only day: the panel opened by toggle, the rest by keys alone. Type, Tab past the
# time box and Start to the chip, Space for its menu, pick Acme, Shift+Tab back to Start, Space
# starts and Space stops; Tab on to the list, Down to the second row, Return opens its card, a new
# description saved with Return; Tab to Reports, Space, Return exports a PDF from the report window.
toggle || fail "toggle failed"
wait_for 10 sh -c "[ \$(grep -c '^ZEVRA_PANEL ' '$work/app.log') -ge 4 ]" || fail "toggle did not open the panel"
sleep 0.5
xdotool type --delay 20 "Typed by keys"
xdotool key Tab Tab Tab space; sleep 0.5
xdotool key Down Down Return; sleep 0.3
xdotool key space Up Return; sleep 0.5 # the menu's last item: the clients overlay, walked, left by Escape
walk --expect "Show archived"
xdotool key Escape; sleep 0.3
xdotool key shift+Tab space
keyed() { [[ "$(entry_of '"Typed by keys"')" == *'"client_id": "acme"'* ]]; }
wait_for 5 keyed || fail "the keys did not start an entry with Acme: $(entry_of '"Typed by keys"')"
xdotool key space
keyed_ended() { [[ "$(entry_of '"Typed by keys"')" == *'"ended_at"'* ]]; }
wait_for 5 keyed_ended || fail "Space on Stop did not end the entry"
sleep 0.5 # the list takes the stopped entry first
xdotool key Tab Tab Down; sleep 0.3; import -window root "$shots/smoke-keys-row.png"; xdotool key Return
wait_for 5 sh -c "xdotool search --onlyvisible --name '^Details\$' | grep -q ." || fail "Return on a row opened no card"
xdotool key ctrl+a; xdotool type --delay 20 "Renamed by keys"; xdotool key Return
wait_for 5 grep -q '"Renamed by keys"' "$db" || fail "the card's description typed and saved by keys is not in db.json"
sleep 0.5
xdotool key Tab Tab space
wait_for 10 sh -c "xdotool search --onlyvisible --name '^Reports\$' | grep -q ." || fail "Space on Reports opened no report window"
sleep 1
walk --expect "Download PDF" --expect "Download CSV"
xdotool key Return
wait_for 10 sh -c "xdotool search --onlyvisible --name '^Save Report\$' | grep -q ." || fail "Return in the report window asked for no file"
sleep 0.5
xdotool key ctrl+a; xdotool type --delay 10 "$work/keys.pdf"; xdotool key Return
wait_for 10 test -s "$work/keys.pdf" || fail "the PDF exported by keys is not on disk"
import -window root "$shots/smoke-keys-report.png"
xdotool key Escape

# --- the menu's "Quit Zevra Tikit" ends the app with status 0
xdotool mousemove "$icon_x" "$icon_y" click 3
wait_for 5 sh -c "xdotool search --onlyvisible --class zevra-tikit | while read w; do xwininfo -id \$w | grep -q 'Width: *[1-9][0-9][0-9]' && echo \$w; done | grep -q ." ||
    fail "no menu after a right click"
sleep 0.5
xdotool key Up Return
for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "Quit did not end the app"
wait "$app_pid" || fail "the app ended with status $?"

# --- away time after 2 s: no input with an entry running shows away_since; after a pointer move the
# question waits, in a notification too (a mock server's, with actions). Discard in the panel, and
# `away discard`, end the entry at the last input here and on the server, and close the notification.
/usr/bin/python3 -m dbusmock -t notification_daemon -l "$work/notify.log" -p '{"capabilities": "body actions"}' >/dev/null 2>&1 &
pids+=($!)
cli() { XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$app" "$@"; }
status_has() { cli status --json | grep -q "$1"; }
logged() { [ "$(grep -c " $1 " "$work/notify.log")" -eq "$2" ]; }
start_app env ZEVRA_AWAY_AFTER_SECONDS=2 TZ=UTC
wait_for 20 grep -q 'away time from the X server' "$work/app.log" || fail "no idle time from the X server"
# away NAME N: NAME runs through the Nth question about away time.
away() {
    cli start "$1" >/dev/null && xdotool mousemove 600 300 && left=$(date +%s)
    wait_for 10 status_has '"away_since"' || fail "status shows no away_since"
    xdotool mousemove 620 300
    wait_for 5 status_has '"away"' && wait_for 5 logged Notify "$2" || fail "no question after a pointer move"
}
# discarded NAME N: the Nth answer ended NAME at the last input, on the server too.
discarded() {
    wait_for 5 sh -c "grep -A8 '\"$1\"' '$db' | grep -q ended_at" || fail "$1 did not end"
    local ended; ended=$(entry_of "\"$1\"" | grep -o '"ended_at": "[^"]*"' | cut -d'"' -f4)
    local late=$(($(date -d "$ended" +%s) - left)); ((late >= -2 && late <= 2)) || fail "$1 ended at $ended, not at the last input"
    wait_for 15 sh -c "curl -sf -X POST -H 'Content-Type: application/json' -H 'X-Api-Key: $key' \
        --data '{\"pending\":[],\"new_clients\":[]}' --compressed '$url/api.php?action=sync' |
        grep -o '{[^{}]*\"$1\"[^{}]*' | grep -q '$ended'" || fail "the end of $1 did not reach the server"
    wait_for 5 logged CloseNotification "$2" || fail "the notification stayed after the answer"
}
away "Away in the panel" 1
xdotool mousemove "$icon_x" "$icon_y" click 1
wait_for 10 grep -q '^ZEVRA_PANEL ' "$work/app.log" || fail "no panel after a click"
read -r _ px py pw ph _ _ < <(last_panel)
sleep 1; import -window root "$shots/smoke-away.png"
xdotool mousemove $((px + pw / 2)) $((py + ph / 2 + 12)) click 1 # Discard, under the question
discarded "Away in the panel" 1
away "Away in the terminal" 2
[ "$(cli away discard)" = "Discarded." ] || fail "away discard did not answer"
discarded "Away in the terminal" 2

# --- reminders, shortened by their test switches (which also make every hour working time): with
# nothing running, "You're not tracking time." with Start and Open; Start begins the latest entry
# again; three seconds into it, the long-timer note with Stop and Keep; Stop ends it.
kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
start_app env ZEVRA_REMIND_AFTER_SECONDS=2 ZEVRA_LONG_TIMER_SECONDS=3 TZ=UTC
# invoke KEY: a click on the button KEY of the newest notification of the mock server.
invoke() {
    /usr/bin/python3 -c 'import dbus, sys
mock = dbus.SessionBus().get_object("org.freedesktop.Notifications", "/org/freedesktop/Notifications")
mock.EmitSignal("org.freedesktop.Notifications", "ActionInvoked", "us",
                [dbus.UInt32(int(sys.argv[1])), sys.argv[2]], dbus_interface="org.freedesktop.DBus.Mock")' \
        "$(grep -c ' Notify "Zevra Tikit" 0 ' "$work/notify.log")" "$1"
}
notified() { grep ' Notify ' "$work/notify.log" | tail -n 1 | grep -qF "$1"; }
wait_for 10 notified "\"You're not tracking time.\" [\"default\", \"Open\", \"start\", \"Start\", \"open\", \"Open\"]" ||
    fail "no reminder: $(tail -n 3 "$work/notify.log")"
invoke start
wait_for 5 status_has '"class":"running".*Away in the terminal' || fail "Start did not begin the latest entry again"
[ "$(entry_of '"Away in the terminal"' | grep -c '"started_at"')" -eq 2 ] || fail "Start did not add one entry to db.json"
wait_for 8 notified '"Still working on Away in the terminal? It has run 0:00:03." ["default", "Open", "stop", "Stop", "keep", "Keep"]' ||
    fail "no long-timer note: $(tail -n 3 "$work/notify.log")"
invoke stop
wait_for 5 status_has '"class":"idle"' || fail "Stop in the long-timer note did not end the entry"
[ "$(grep -c '"ended_at"' <<<"$(entry_of '"Away in the terminal"')")" -eq 2 ] || fail "the entry did not end in db.json"

echo "tray smoke test passed; screenshots in $shots"

#!/usr/bin/env bash
# End-to-end run of the real orbel on a private X server with a tray host:
#   trayE2E.sh ORBEL_EXECUTABLE OUTPUT_FOLDER
# The icon must be embedded in the tray; the tray menu opens the detail
# window, the lunar search and the settings sheet (screenshots of each go to
# OUTPUT_FOLDER); a second instance ends at once with status 0; "終了(&X)"
# and SIGTERM both end the program cleanly, with its icon gone and its
# settings file complete.
set -euo pipefail
exe=$(realpath "$1")
out=$2
here=$(dirname "$(realpath "$0")")
# shellcheck source=x11env.sh
source "$here/x11env.sh"
trap x11_cleanup EXIT

mkdir -p "$out"
rm -f "$out"/*.png
x11_prepare_app "$exe"
work=$X11_WORK
app="$work/app"

x11_start_server
x11_start_tray
x11_log "X server $DISPLAY with trayer"

start_orbel() {
    (cd "$app" && exec ./orbel) >>"$out/orbel.stderr" 2>&1 &
    ORBEL=$!
    X11_PIDS+=("$ORBEL")
}

# Ends the program's process, expecting status 0 within $1 seconds.
expect_exit() {
    local t
    for t in $(seq $(($1 * 10))); do
        kill -0 "$ORBEL" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$ORBEL" 2>/dev/null && x11_fail "orbel did not end within $1 s"
    local rc=0
    wait "$ORBEL" || rc=$?
    [ "$rc" -eq 0 ] || x11_fail "orbel ended with status $rc"
}

check_settings() {
    local ini="$app/orbel.ini" key
    [ -f "$ini" ] || x11_fail "no settings file beside the program"
    for key in tipupdate tsmode trayicon; do
        grep -q "^$key=" "$ini" || x11_fail "settings file lacks $key: $(cat "$ini")"
    done
}

# Opens a dialog through the menu's mnemonics, shoots it and closes it
# with Escape.
open_dialog() {
    local keys=$1 title=$2 shot=$3 win k
    x11_open_menu
    for k in $keys; do
        xdotool key "$k"
        sleep 0.3
    done
    win=$(x11_wait_window "$title" 10) || {
        import -window root "$out/failed-$shot.png"
        x11_fail "'$title' did not open"
    }
    sleep 1.2
    import -window root "$out/$shot.png"
    x11_log "$title open ($shot.png)"
    [ -n "${4:-}" ] && "$4" "$win"
    xdotool windowfocus --sync "$win" key Escape
    x11_wait_window_gone "$title" 10 || x11_fail "'$title' did not close on Escape"
}

next_tab() {
    xdotool windowfocus --sync "$1" key ctrl+Tab
    sleep 1
    import -window root "$out/settings-notify.png"
}

# --- start: the icon appears in the tray -------------------------------
started=$(x11_now_ms)
start_orbel
icon=$(x11_wait_icon 10) || x11_fail "the tray icon was not embedded"
x11_log "icon $icon embedded after $(($(x11_now_ms) - started)) ms"
sleep 0.5
import -window root "$out/tray.png"

# --- the tray menu ----------------------------------------------------
x11_open_menu
import -window root "$out/menu.png"
xdotool key Escape
sleep 0.3

open_dialog "d" "orbel - 詳細" detail
open_dialog "s l" "orbel - 日和サーチ" lunar-search
open_dialog "c" "orbel - 設定" settings next_tab

# --- a second instance leaves at once ----------------------------------
t0=$(x11_now_ms)
rc=0
(cd "$app" && timeout 10 ./orbel) >>"$out/orbel.stderr" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || x11_fail "the second instance ended with status $rc"
x11_log "second instance ended with 0 after $(($(x11_now_ms) - t0)) ms"
[ -n "$(x11_icon_window)" ] || x11_fail "the first instance's icon went away"

# --- 終了(&X) ---------------------------------------------------------
x11_open_menu
xdotool key x
expect_exit 10
x11_wait_icon_gone 5 || x11_fail "the icon stayed after the exit"
check_settings
x11_log "exit through the menu: status 0, icon gone, settings complete"

# --- SIGTERM takes the same road ---------------------------------------
start_orbel
x11_wait_icon 10 >/dev/null || x11_fail "the icon did not come back on a new start"
kill -TERM "$ORBEL"
expect_exit 10
x11_wait_icon_gone 5 || x11_fail "the icon stayed after SIGTERM"
check_settings
x11_log "SIGTERM: status 0, icon gone, settings complete"

# --- no tray host: orbel says so, waits, and appears with the host; a
# host that restarts gets the icon back ------------------------------------
x11_stop_tray
: >"$out/orbel.stderr"
start_orbel
for t in $(seq 50); do
    grep -q "no notification area" "$out/orbel.stderr" && break
    sleep 0.1
done
grep -q "no notification area" "$out/orbel.stderr" ||
    x11_fail "orbel did not say that there is no tray host"
kill -0 "$ORBEL" 2>/dev/null || x11_fail "orbel ended without a tray host"
x11_start_tray
x11_wait_icon 10 >/dev/null || x11_fail "the icon did not appear when a tray host started"
x11_log "no tray host: said so on stderr, icon embedded once trayer started"
x11_stop_tray
x11_start_tray
x11_wait_icon 10 >/dev/null || x11_fail "the icon did not come back into a new tray host"
x11_log "icon back after the tray host restarted"
kill -TERM "$ORBEL"
expect_exit 10
x11_log "PASS (screenshots in $out)"

#!/usr/bin/env bash
# End-to-end run of the Windows orbel.exe under Wine on a private X server
# with a tray host:
#   winTrayE2E.sh BIN_FOLDER OUTPUT_FOLDER WINE_PREFIX VERSION [WINDOW_TEXT_EXE]
# BIN_FOLDER holds orbel.exe, orlib.dll and uires0.dll; WINE_PREFIX is a
# prefix of this test's own (made on first use). The icon must dock in the
# tray; the tray menu opens the detail window, the lunar and the today
# search, the settings sheet and the About box (screenshots of each go to
# OUTPUT_FOLDER), whose text (read through WINDOW_TEXT_EXE, run in the same
# prefix) names VERSION; a second instance ends at once with status 0;
# "終了(&X)" ends the program with status 0, its icon gone and its settings
# file complete and still CP932.
set -euo pipefail
bin=$(realpath "$1")
out=$(realpath -m "$2")
prefix=$3
version=$4
windowText=${5:-}
here=$(dirname "$(realpath "$0")")
# shellcheck source=x11env.sh
source "$here/x11env.sh"
# shellcheck source=winenv.sh
source "$here/winenv.sh"
trap win_cleanup EXIT

mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.txt
: >"$out/orbel.stderr"
win_prepare_app "$bin" "$here/../../ports/qt/assets/orbel.wav"
app=$WIN_APP
[ -z "$windowText" ] || cp "$windowText" "$X11_WORK/windowText.exe"
win_setup "$prefix"

# A settings file with a line of our own in CP932 ("; 月齢の表示", whose 表
# ends in 0x5C): the program must keep its bytes while it writes its keys.
printf '; \x8c\x8e\x97\xee\x82\xcc\x95\x5c\x8e\xa6\r\n[Settings]\r\ntsmode=1\r\n' >"$app/orbel.ini"

x11_start_server
x11_start_tray
x11_log "X server $DISPLAY with trayer; Wine prefix $WIN_PREFIX"

# Waits up to $2 seconds for the program to end with status 0.
expect_exit() {
    local t
    for t in $(seq $(($1 * 10))); do
        kill -0 "$ORBEL" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$ORBEL" 2>/dev/null && x11_fail "orbel.exe did not end within $1 s"
    local rc=0
    wait "$ORBEL" || rc=$?
    [ "$rc" -eq 0 ] || x11_fail "orbel.exe ended with status $rc"
}

# The window whose title is exactly $1, waiting up to 10 s; prints its id.
wait_titled() {
    local t w
    for t in $(seq 100); do
        for w in $(LC_ALL=C.UTF-8 xdotool search --onlyvisible --class '^orbel\.exe$' 2>/dev/null); do
            if [ "$(win_title "$w")" = "$1" ]; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

titled_gone() {
    local t w found
    for t in $(seq 100); do
        found=""
        for w in $(LC_ALL=C.UTF-8 xdotool search --onlyvisible --class '^orbel\.exe$' 2>/dev/null); do
            [ "$(win_title "$w")" = "$1" ] && found=1
        done
        [ -z "$found" ] && return 0
        sleep 0.1
    done
    return 1
}

# Opens a window through the menu's mnemonics, checks its title, shoots it
# and closes it with Escape; $4, when given, runs with the window id first.
open_window() {
    local keys=$1 title=$2 shot=$3 win k
    win_open_menu
    for k in $keys; do
        xdotool key "$k"
        sleep 0.3
    done
    win=$(wait_titled "$title") || {
        import -window root "$out/failed-$shot.png"
        x11_fail "'$title' did not open (failed-$shot.png)"
    }
    sleep 1
    import -window root "$out/$shot.png"
    x11_log "'$title' open ($shot.png)"
    [ -z "${4:-}" ] || "$4" "$win"
    win_key_in "$win" Escape
    titled_gone "$title" || x11_fail "'$title' did not close on Escape"
}

# The About box's texts, as its controls hold them.
check_about() {
    [ -n "$windowText" ] || return 0
    local texts="$out/about.txt"
    (cd "$X11_WORK" && wine windowText.exe "orbelのバージョン情報") >"$texts" 2>&1 ||
        x11_fail "windowText found no About box: $(cat "$texts")"
    grep -qx "$(printf 'Static\torbel Version %s' "$version")" "$texts" ||
        x11_fail "the About box does not say 'orbel Version $version': $(cat "$texts")"
    x11_log "the About box says 'orbel Version $version' (about.txt)"
}

check_settings() {
    local ini="$app/orbel.ini" key
    [ -f "$ini" ] || x11_fail "no settings file beside orbel.exe"
    iconv -f CP932 -t UTF-8 "$ini" >"$out/orbel.ini.txt" ||
        x11_fail "the settings file is not CP932"
    [ "$(head -c 12 "$ini" | od -An -tx1 | tr -d ' \n')" = 3b208c8e97ee82cc955c8ea6 ] ||
        x11_fail "the settings file's own CP932 line changed: $(od -c "$ini" | head -3)"
    for key in tipupdate tsmode trayicon; do
        grep -qa "^$key=[0-9]*"$'\r'"\$" "$ini" ||
            x11_fail "settings file lacks $key (with CRLF): $(cat "$out/orbel.ini.txt")"
    done
    grep -qa "^tsmode=1"$'\r'"\$" "$ini" || x11_fail "the settings file lost tsmode=1"
}

# --- start: the icon docks in the tray ---------------------------------
started=$(x11_now_ms)
win_start_orbel "$out/orbel.stderr"
icon=$(x11_wait_icon 60) || {
    import -window root "$out/failed-start.png"
    x11_fail "the tray icon did not dock within 60 s (failed-start.png)"
}
x11_log "icon $icon docked after $(($(x11_now_ms) - started)) ms"
sleep 0.5
import -window root "$out/tray.png"

# --- the tray menu -------------------------------------------------------
win_open_menu
import -window root "$out/menu.png"
xdotool key Escape
sleep 0.5

open_window "d" "orbel - 詳細" detail
open_window "s l" "orbel - 日和サーチ : 月齢/曜日" lunar-search
open_window "s t" "orbel - 日和サーチ : 今日は何の日?" today-search
open_window "c" "orbel - 設定" settings
open_window "a" "orbelのバージョン情報" about check_about

# --- a second instance leaves at once ------------------------------------
t0=$(x11_now_ms)
rc=0
(cd "$app" && timeout 30 wine orbel.exe) >>"$out/orbel.stderr" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || x11_fail "the second instance ended with status $rc"
x11_log "second instance ended with 0 after $(($(x11_now_ms) - t0)) ms"
kill -0 "$ORBEL" 2>/dev/null || x11_fail "the first instance ended too"
[ -n "$(x11_icon_window)" ] || x11_fail "the first instance's icon went away"

# --- 終了(&X) -------------------------------------------------------------
win_open_menu
xdotool key x
expect_exit 15
x11_wait_icon_gone 10 || x11_fail "the icon stayed after the exit"
check_settings
x11_log "exit through the menu: status 0, icon gone, settings complete in CP932"
x11_log "PASS (screenshots in $out)"

#!/usr/bin/env bash
# Measures the Windows orbel.exe under Wine on a private X server with a
# tray host:
#   winTrayFigures.sh BIN_FOLDER OUTPUT_FOLDER WINE_PREFIX [SECONDS]
# - start to tray icon: from launching `wine orbel.exe` until its icon is
#   docked in the tray (xwininfo polled every 20 ms), over 5 starts, with
#   Wine's server and desktop process already running (the first start of
#   a session also starts those; it is reported on its own);
# - CPU over SECONDS (default 60) idle in time-format mode 0, and in mode 2
#   with the detail window open, from utime + stime in /proc/PID/stat of the
#   process running orbel.exe, as a percentage of one core; Wine's own
#   server and desktop process are given apart;
# - resident memory (VmRSS) of that process at the end of each run.
# Writes the figures to OUTPUT_FOLDER/figures.txt. Not a test: no limits
# are checked here.
set -euo pipefail
bin=$(realpath "$1")
out=$(realpath -m "$2")
prefix=$3
seconds=${4:-60}
here=$(dirname "$(realpath "$0")")
# shellcheck source=x11env.sh
source "$here/x11env.sh"
# shellcheck source=winenv.sh
source "$here/winenv.sh"
trap win_cleanup EXIT

mkdir -p "$out"
: >"$out/figures.stderr"
win_prepare_app "$bin" "$here/../../ports/qt/assets/orbel.wav"
app=$WIN_APP
win_setup "$prefix"
hz=$(getconf CLK_TCK)

x11_start_server
x11_start_tray

stop_orbel() {
    win_open_menu
    xdotool key x
    wait "$ORBEL" || true
    x11_wait_icon_gone 10 || true
}

set_mode() {
    printf '[Settings]\r\ntsmode=%s\r\n' "$1" >"$app/orbel.ini"
}

# The pids of our prefix's wineserver and desktop process (explorer.exe).
wine_helpers() {
    local p
    for p in $(pgrep '^wineserver'; pgrep -f 'explorer.exe /desktop'); do
        [ "$(tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | sed -n 's/^WINEPREFIX=//p')" = "$WIN_PREFIX" ] &&
            echo "$p"
    done
    return 0
}

ticks_of() {
    local p sum=0
    for p in "$@"; do sum=$((sum + $(x11_cpu_ticks "$p" 2>/dev/null || echo 0))); done
    echo "$sum"
}

percent() { awk -v d="$1" -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * d / hz / s }'; }

# "orbel.exe X %; Wine server and desktop Y %" over `seconds`.
measure_cpu() {
    local helpers before after hb ha
    helpers=$(wine_helpers)
    before=$(x11_cpu_ticks "$ORBEL")
    # shellcheck disable=SC2086
    hb=$(ticks_of $helpers)
    sleep "$seconds"
    after=$(x11_cpu_ticks "$ORBEL")
    # shellcheck disable=SC2086
    ha=$(ticks_of $helpers)
    echo "CPU orbel.exe $(percent $((after - before))) % of one core (Wine server and desktop $(percent $((ha - hb))) %)"
}

report() { echo "$*" | tee -a "$out/figures.txt"; }
: >"$out/figures.txt"
report "machine: $(nproc) cores, $(uname -r); $(wine --version); $seconds s per CPU figure"

# --- start to tray --------------------------------------------------------
set_mode 0
t0=$(x11_now_ms)
win_start_orbel "$out/figures.stderr"
x11_wait_icon 60 >/dev/null || x11_fail "no tray icon on the first start"
report "first start (Wine server and desktop process starting too): $(($(x11_now_ms) - t0)) ms"
# The desktop process that has just started takes a moment before its
# tray passes clicks on; the first menu would be missed.
sleep 3
stop_orbel
times=()
for run in 1 2 3 4 5; do
    t0=$(x11_now_ms)
    win_start_orbel "$out/figures.stderr"
    x11_wait_icon 30 >/dev/null || x11_fail "no tray icon on start $run"
    times+=($(($(x11_now_ms) - t0)))
    sleep 0.5
    stop_orbel
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
report "start to tray icon (ms, 5 starts, sorted): $sorted"

# --- mode 0, idle -----------------------------------------------------------
set_mode 0
win_start_orbel "$out/figures.stderr"
x11_wait_icon 30 >/dev/null || x11_fail "no tray icon (mode 0)"
sleep 3
report "mode 0 idle: $(measure_cpu); RSS $(x11_rss_kb "$ORBEL") kB"
stop_orbel

# --- mode 2, detail window open ---------------------------------------------
set_mode 2
win_start_orbel "$out/figures.stderr"
x11_wait_icon 30 >/dev/null || x11_fail "no tray icon (mode 2)"
win_open_menu
xdotool key d
detail=$(x11_wait_window "orbel - 詳細" 10) || x11_fail "the detail window did not open"
sleep 3
report "mode 2, detail window open: $(measure_cpu); RSS $(x11_rss_kb "$ORBEL") kB"
import -window root "$out/figures-detail.png"
# The open detail window keeps the tray's clicks from reaching the menu.
win_key_in "$detail" Escape
x11_wait_window_gone "orbel - 詳細" 10 || x11_fail "the detail window did not close"
stop_orbel

#!/usr/bin/env bash
# Measures the real orbel on a private X server with a tray host:
#   trayFigures.sh ORBEL_EXECUTABLE OUTPUT_FOLDER [SECONDS]
# - start to tray icon: from launching the process until its icon is
#   embedded in the tray (xwininfo polled every 20 ms), over 5 starts;
# - CPU over SECONDS (default 60) idle in time-format mode 0, and in mode 2
#   with the detail window open, from the process's utime + stime in
#   /proc/PID/stat, as a percentage of one core;
# - resident memory (VmRSS) at the end of each run.
# Writes the figures to OUTPUT_FOLDER/figures.txt. Not a test: no limits
# are checked here.
set -euo pipefail
exe=$(realpath "$1")
out=$2
seconds=${3:-60}
here=$(dirname "$(realpath "$0")")
# shellcheck source=x11env.sh
source "$here/x11env.sh"
trap x11_cleanup EXIT

mkdir -p "$out"
x11_prepare_app "$exe"
work=$X11_WORK
app="$work/app"
hz=$(getconf CLK_TCK)

x11_start_server
x11_start_tray

start_orbel() {
    (cd "$app" && exec ./orbel) >>"$out/figures.stderr" 2>&1 &
    ORBEL=$!
    X11_PIDS+=("$ORBEL")
}

stop_orbel() {
    kill -TERM "$ORBEL"
    wait "$ORBEL" || true
    x11_wait_icon_gone 5 || true
}

set_mode() {
    printf '[Settings]\r\ntsmode=%s\r\n' "$1" >"$app/orbel.ini"
}

# CPU share of one core over `seconds`, as "12.34".
measure_cpu() {
    local before after
    before=$(x11_cpu_ticks "$ORBEL")
    sleep "$seconds"
    after=$(x11_cpu_ticks "$ORBEL")
    awk -v d=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * d / hz / s }'
}

report() { echo "$*" | tee -a "$out/figures.txt"; }
: >"$out/figures.txt"
report "machine: $(nproc) cores, $(uname -r); $seconds s per CPU figure"

# --- start to tray ----------------------------------------------------
set_mode 0
times=()
for run in 1 2 3 4 5; do
    t0=$(x11_now_ms)
    start_orbel
    x11_wait_icon 10 >/dev/null || x11_fail "no tray icon on start $run"
    times+=($(($(x11_now_ms) - t0)))
    sleep 0.5
    stop_orbel
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
report "start to tray icon (ms, 5 starts, sorted): $sorted"

# --- mode 0, idle -------------------------------------------------------
set_mode 0
start_orbel
x11_wait_icon 10 >/dev/null || x11_fail "no tray icon (mode 0)"
sleep 3
report "mode 0 idle: CPU $(measure_cpu) % of one core; RSS $(x11_rss_kb "$ORBEL") kB"
stop_orbel

# --- mode 2, detail window open -----------------------------------------
set_mode 2
start_orbel
x11_wait_icon 10 >/dev/null || x11_fail "no tray icon (mode 2)"
x11_open_menu
xdotool key d
x11_wait_window "orbel - 詳細" 10 >/dev/null || x11_fail "the detail window did not open"
sleep 3
report "mode 2, detail window open: CPU $(measure_cpu) % of one core; RSS $(x11_rss_kb "$ORBEL") kB"
import -window root "$out/figures-detail.png"
stop_orbel

#!/usr/bin/env bash
# Counts the instructions the real orbel executes in time-format mode 2 with
# the detail window open, under callgrind on a private X server with a tray
# host; unlike a CPU share, the count does not depend on the machine's load:
#   trayProfile.sh ORBEL_EXECUTABLE OUTPUT_FOLDER [SECONDS]
# The program starts with collection off; once the detail window is up,
# collection runs for SECONDS (default 20) and is dumped to
# OUTPUT_FOLDER/callgrind.out.*. Under callgrind the program may run too
# slowly to keep its 25 redraws a second (late ticks are skipped), so the
# figures are also given per redraw and scaled to 25 redraws. Writes them to
# OUTPUT_FOLDER/profile.txt. Not a test: no limits are checked here.
set -euo pipefail
exe=$(realpath "$1")
out=$(realpath -m "$2")
seconds=${3:-20}
here=$(dirname "$(realpath "$0")")
# shellcheck source=x11env.sh
source "$here/x11env.sh"
trap x11_cleanup EXIT

mkdir -p "$out"
rm -f "$out"/callgrind.out.*
x11_prepare_app "$exe"
app="$X11_WORK/app"
printf '[Settings]\r\ntsmode=2\r\n' >"$app/orbel.ini"

x11_start_server
x11_start_tray

(cd "$app" && exec valgrind --tool=callgrind --instr-atstart=no \
    --callgrind-out-file="$out/callgrind.out.%p" ./orbel) >"$out/profile.stderr" 2>&1 &
ORBEL=$!
X11_PIDS+=("$ORBEL")
x11_wait_icon 120 >/dev/null || x11_fail "no tray icon under callgrind"
sleep 2
x11_open_menu
sleep 2
xdotool key d
x11_wait_window "orbel - 詳細" 60 >/dev/null || x11_fail "the detail window did not open"
sleep 5

callgrind_control -i on "$ORBEL" >/dev/null 2>&1
sleep "$seconds"
callgrind_control -d "$ORBEL" >/dev/null 2>&1
callgrind_control -i off "$ORBEL" >/dev/null 2>&1
import -window root "$out/profile-detail.png"
kill -TERM "$ORBEL"
wait "$ORBEL" || true

# The dump taken above is the one with the highest part number.
dump=$(ls "$out"/callgrind.out.*.[0-9]* 2>/dev/null | sort -t. -k4 -n | tail -1)
[ -n "$dump" ] || x11_fail "callgrind wrote no dump"
total=$(awk '/^summary:/ { print $2 }' "$dump")
# Calls into a function: callgrind names a function once as "(id) name" and
# then by its id alone.
calls() {
    awk -v want="$1" '
        /^c?fn=\(/ {
            match($0, /\([0-9]+\)/); id = substr($0, RSTART, RLENGTH)
            rest = substr($0, RSTART + RLENGTH + 1)
            if (rest != "") names[id] = rest
            callee = /^cfn=/ ? names[id] : ""
            next
        }
        /^calls=/ && callee == want { split($1, a, "="); n += a[2] }
        END { print n + 0 }' "$dump"
}
redraws=$(calls 'orbel::CDetailDlg::redraw()')
paints=$(calls 'orbel::CDetailDlg::onPaint()')
{
    echo "callgrind, mode 2 with the detail window open, $seconds s collected"
    echo "instructions: $total ($((total / seconds)) per second)"
    echo "redraws: $redraws, paints: $paints"
    if [ "$redraws" -gt 0 ]; then
        echo "instructions per redraw: $((total / redraws));" \
            "at 25 redraws a second: $((total / redraws * 25)) per second"
    fi
} | tee "$out/profile.txt"

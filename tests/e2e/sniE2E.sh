#!/usr/bin/env bash
# End-to-end run of the real orbel on a private X server and a private
# session bus where a StatusNotifierWatcher and host of our own
# (sniHost.py) stand in for a KDE or GNOME panel:
#   sniE2E.sh ORBEL_EXECUTABLE ORBEL_CLI OUTPUT_FOLDER [--measure SECONDS]
# The item must be registered; its tooltip never blank and fresh in modes
# 0, 1 and 2, at most one update a second in mode 2; Activate opens the
# detail window and ContextMenu the tray menu (screenshots in
# OUTPUT_FOLDER). --measure SECONDS instead counts mode 2's tooltip updates
# over that time and prints them per minute.
set -euo pipefail
exe=$(realpath "$1")
cli=$(realpath "$2")
out=$3
shift 3
here=$(dirname "$(realpath "$0")")
# shellcheck source=x11env.sh
source "$here/x11env.sh"
trap x11_cleanup EXIT

mkdir -p "$out"
rm -f "$out"/sni-*.png "$out/orbel-sni.stderr"
x11_prepare_app "$exe"
x11_start_server

# A session bus of our own; the fake panel owns its watcher name before
# orbel starts, as a desktop's panel does.
dbus-daemon --session --nofork --print-address >"$X11_WORK/bus" 2>"$X11_WORK/dbus.log" &
X11_PIDS+=($!)
for t in $(seq 50); do
    [ -s "$X11_WORK/bus" ] && break
    sleep 0.1
done
[ -s "$X11_WORK/bus" ] || x11_fail "no private session bus"
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$X11_WORK/bus")
export DBUS_SESSION_BUS_ADDRESS
x11_log "X server $DISPLAY, session bus $DBUS_SESSION_BUS_ADDRESS"

"${ORBEL_PYTHON:-/usr/bin/python3}" "$here/sniHost.py" --app "$X11_WORK/app" --cli "$cli" \
    --out "$out" "$@"

# Helpers for running the real orbel on a private X server with a tray host.
# Sourced by trayE2E.sh and trayFigures.sh; needs Xvfb, trayer, xdotool,
# xwininfo and ImageMagick's import. Every process started here is
# remembered by its pid and ended by x11_cleanup (set as the EXIT trap).

X11_PIDS=()
X11_WORK=""

x11_log() { echo "[$(date +%H:%M:%S)] $*"; }
x11_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Milliseconds since the epoch.
x11_now_ms() { date +%s%3N; }

x11_cleanup() {
    local i
    for ((i = ${#X11_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${X11_PIDS[i]}" 2>/dev/null || true
    done
    for pid in "${X11_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [ -n "$X11_WORK" ]; then rm -rf "$X11_WORK"; fi
    return 0
}

# A scratch folder in X11_WORK, removed at the end.
x11_workdir() {
    X11_WORK=$(mktemp -d /tmp/orbel-e2e.XXXXXX)
}

# A scratch folder with a copy of the program in "$X11_WORK/app", its own
# lock folder and no desktop session bus (balloons then fall back to the
# tray's own).
x11_prepare_app() {
    x11_workdir
    x11_install_copy "$1" "$X11_WORK/app"
    export XDG_RUNTIME_DIR="$X11_WORK/run"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    unset DBUS_SESSION_BUS_ADDRESS
    export LANG=C.UTF-8
}

# Starts Xvfb on the first free display from :90 (or X11_FIRST_DISPLAY) on
# and exports DISPLAY.
x11_start_server() {
    local n first=${X11_FIRST_DISPLAY:-90}
    for n in $(seq "$first" $((first + 50))); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$X11_WORK/xvfb.log" 2>&1 &
        X11_PIDS+=($!)
        export DISPLAY=":$n"
        local t
        for t in $(seq 50); do
            xwininfo -root >/dev/null 2>&1 && return 0
            kill -0 "${X11_PIDS[-1]}" 2>/dev/null || break
            sleep 0.1
        done
    done
    x11_fail "no X server could be started"
}

# Starts trayer (an XEmbed system tray) along the bottom edge. A second
# try if the first never maps its panel: under ASan on a loaded machine
# trayer has been seen to miss the 15 s, and one slow start must not fail
# a test of orbel.
x11_start_tray() {
    local attempt t
    for attempt in 1 2; do
        trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
            --SetPartialStrut true --transparent false --tint 0x303840 >"$X11_WORK/trayer.log" 2>&1 &
        X11_PIDS+=($!)
        X11_TRAYER=$!
        for t in $(seq 150); do
            xwininfo -root -tree 2>/dev/null | grep -q '("panel" "trayer")' && return 0
            kill -0 "$X11_TRAYER" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$X11_TRAYER" 2>/dev/null; then
            x11_log "trayer (try $attempt) mapped no panel in 15 s"
        else
            x11_log "trayer (try $attempt) ended before mapping its panel"
        fi
        sed 's/^/  trayer: /' "$X11_WORK/trayer.log" | head -20
        kill "$X11_TRAYER" 2>/dev/null || true
        wait "$X11_TRAYER" 2>/dev/null || true
    done
    x11_fail "trayer did not start"
}

# The window id of trayer's panel; empty if none.
x11_panel_window() {
    xwininfo -root -tree 2>/dev/null | awk '/\("panel" "trayer"\)/ { print $1; exit }'
}

# Ends trayer and waits until its panel has left the screen.
x11_stop_tray() {
    kill "$X11_TRAYER" 2>/dev/null || true
    wait "$X11_TRAYER" 2>/dev/null || true
    local t
    for t in $(seq 50); do
        [ -z "$(x11_panel_window)" ] && return 0
        sleep 0.1
    done
    x11_fail "trayer's panel stayed"
}

# The window id of orbel's icon embedded in trayer's panel; empty if none.
x11_icon_window() {
    xwininfo -root -tree 2>/dev/null | awk -v class="${X11_ICON_CLASS:-(\"orbel\" \"orbel\")}" '
        /\("panel" "trayer"\)/ { inpanel = 1; depth = index($0, "0x"); next }
        inpanel && index($0, "0x") <= depth && index($0, "0x") > 0 { inpanel = 0 }
        inpanel && index($0, class) { print $1; exit }'
}

# Waits up to $1 seconds for the icon; prints its window id.
x11_wait_icon() {
    local limit=$(($(x11_now_ms) + $1 * 1000)) win
    while [ "$(x11_now_ms)" -lt "$limit" ]; do
        win=$(x11_icon_window)
        if [ -n "$win" ]; then
            echo "$win"
            return 0
        fi
        sleep 0.02
    done
    return 1
}

# Waits up to $1 seconds until no icon of ours is in the panel.
x11_wait_icon_gone() {
    local t
    for t in $(seq $(($1 * 10))); do
        [ -z "$(x11_icon_window)" ] && return 0
        sleep 0.1
    done
    return 1
}

# The centre of a window in root coordinates: "x y".
x11_centre() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { printf "%d %d\n", x + w / 2, y + h / 2 }'
}

# Right-clicks the tray icon: the core answers with its menu.
x11_open_menu() {
    local win
    win=$(x11_icon_window)
    [ -n "$win" ] || x11_fail "no tray icon to click"
    read -r cx cy < <(x11_centre "$win")
    xdotool mousemove "$cx" "$cy" click 3
    sleep 0.6
}

# Waits up to $2 seconds for a visible window whose name matches $1 (a
# regular expression); prints its id.
x11_wait_window() {
    local t win
    for t in $(seq $(($2 * 10))); do
        win=$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        if [ -n "$win" ]; then
            echo "$win"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

x11_wait_window_gone() {
    local t
    for t in $(seq $(($2 * 10))); do
        LC_ALL=C.UTF-8 xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# Copies the program and its sound into a scratch folder of its own, so
# its settings and log files land there.
x11_install_copy() {
    local exe=$1 dir=$2
    mkdir -p "$dir"
    cp "$exe" "$dir/orbel"
    cp "$(dirname "$exe")/orbel.wav" "$dir/"
}

# User and system CPU time of a process, in clock ticks.
x11_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
x11_rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

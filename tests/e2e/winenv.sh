# Helpers for running the Windows orbel.exe under Wine on a private X server
# with a tray host. Sourced by winTrayE2E.sh and winTrayFigures.sh, on top of
# x11env.sh. Wine runs in a prefix of the caller's own (WIN_PREFIX); only
# that prefix's processes are ever ended (wineserver -k), at the start and
# at the end.

WIN_PREFIX=""
WIN_APP=""

# The prefix, Wine's settings, the Japanese locale (code page 932) and
# Tokyo time. Makes the prefix on first use (which takes a while).
win_setup() {
    WIN_PREFIX=$(realpath -m "$1")
    export WINEPREFIX=$WIN_PREFIX
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    export TZ=JST-9
    locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8' ||
        x11_fail "the ja_JP.UTF-8 locale is missing (scripts/deps.sh makes it)"
    win_stop_prefix
    if [ ! -f "$WIN_PREFIX/system.reg" ]; then
        x11_log "making the Wine prefix $WIN_PREFIX"
        mkdir -p "$WIN_PREFIX"
        # Without a display: wineboot must not start the desktop on the X
        # server the test will use.
        DISPLAY= wineboot -i >/dev/null 2>&1 || true
        # The server writes the registry files when it ends.
        WINEPREFIX=$WIN_PREFIX wineserver -w >/dev/null 2>&1 || true
        [ -f "$WIN_PREFIX/system.reg" ] || x11_fail "wineboot did not make $WIN_PREFIX"
    fi
}

# Ends every process of our prefix (the program, Wine's desktop process
# that hosts the tray icons, the server) and nothing else.
win_stop_prefix() {
    [ -n "$WIN_PREFIX" ] && [ -d "$WIN_PREFIX" ] || return 0
    WINEPREFIX=$WIN_PREFIX wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$WIN_PREFIX wineserver -w >/dev/null 2>&1 || true
}

win_cleanup() {
    win_stop_prefix
    x11_cleanup
}

# A scratch folder with the program, its DLLs and the sound in
# "$X11_WORK/app", so its settings and log land there: win_prepare_app
# BIN_FOLDER [SOUND].
win_prepare_app() {
    local bin=$1 sound=${2:-} f
    x11_workdir
    WIN_APP="$X11_WORK/app"
    mkdir -p "$WIN_APP"
    for f in orbel.exe orlib.dll uires0.dll; do
        [ -f "$bin/$f" ] || x11_fail "no $f in $bin"
        cp "$bin/$f" "$WIN_APP/"
    done
    if [ -n "$sound" ] && [ -f "$sound" ]; then cp "$sound" "$WIN_APP/"; fi
}

# Starts orbel.exe in the background; its pid (the Wine process that runs
# it, so /proc shows its CPU and memory) in ORBEL.
win_start_orbel() {
    (cd "$WIN_APP" && exec wine orbel.exe) >>"$1" 2>&1 &
    ORBEL=$!
    X11_PIDS+=("$ORBEL")
}

# Wine shows a program's tray icon as a window of its desktop process,
# explorer.exe, embedded in the tray host; the window id, empty if none.
# Wine's tray icons are windows of its desktop process, explorer.exe.
X11_ICON_CLASS='("explorer.exe" "explorer.exe")'

# Right-clicks the tray icon; the program answers with its menu, a window
# of orbel.exe's own. A click while the detail window is open only closes
# that window, so a second click may be needed.
win_open_menu() {
    local win cx cy t try
    for try in 1 2 3; do
        win=$(x11_icon_window)
        [ -n "$win" ] || x11_fail "no tray icon to click"
        read -r cx cy < <(x11_centre "$win")
        xdotool mousemove "$cx" "$cy" click 3
        for t in $(seq 50); do
            win_menu_open && return 0
            sleep 0.1
        done
    done
    x11_fail "no menu after three right clicks on the icon"
}

# Whether a menu is on the screen: a visible window of orbel.exe's without
# a title.
win_menu_open() {
    local w
    for w in $(xdotool search --onlyvisible --class '^orbel\.exe$' 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && return 0
    done
    return 1
}

# The title of an X window.
win_title() { xdotool getwindowname "$1" 2>/dev/null; }

# Activates a window by a click at its top left corner (Wine takes keys
# only for its active window, and with no window manager only a click
# makes it active) and presses a key there.
win_key_in() {
    local x y
    read -r x y < <(xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        END { print x, y }')
    xdotool mousemove $((x + 2)) $((y + 2)) click 1
    sleep 0.2
    xdotool key "$2"
}

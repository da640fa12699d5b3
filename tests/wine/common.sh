# Shared by the Windows test and benchmark scripts: the Wine environment and the simulator.

# Every Wine program starts through the 64-bit loader: with a 32-bit Wine installed, plain `wine` is
# the 32-bit one, whose tools see only the 32-bit registry. The 64-bit loader hands a 32-bit program
# (the ones in C:\windows\syswow64) to the 32-bit loader by itself.
wine_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
# What the 64-bit loader hands 32-bit programs to; without it they cannot run at all.
wine32_loader=/usr/lib/wine/wine

# A hung Wine program must not hang the run: each gets this many seconds.
wine_timeout=${WINE_TIMEOUT:-180}

wine_run() { timeout -k 5 "$wine_timeout" "$wine_loader" "$@"; }

use_wine_prefix() {
    export WINEPREFIX="$1"
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # Wine's X11 driver draws on the virtual display when one runs; without one, no display at all.
    export DISPLAY="${wine_display:-}"
}

# Starts Xvfb on a free display number for the X11 driver, so that dialogs are real, drawn windows
# (their tests press keys and click them, the screenshots photograph them). Sets wine_display and
# xvfb (its pid); an already running display can be given in CORVEL_WINE_DISPLAY instead.
wine_display=""
xvfb=""
start_virtual_display() {
    if [ -n "${CORVEL_WINE_DISPLAY:-}" ]; then
        wine_display=$CORVEL_WINE_DISPLAY
        return 0
    fi
    command -v Xvfb >/dev/null || return 1
    local n
    for n in $(seq 90 160); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -dpi 96 >/dev/null 2>&1 &
        xvfb=$!
        for _ in $(seq 50); do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                wine_display=":$n"
                return 0
            fi
            kill -0 "$xvfb" 2>/dev/null || break
            sleep 0.1
        done
        # Another run took the number first: try the next.
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
        xvfb=""
    done
    return 1
}

stop_virtual_display() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
        xvfb=""
    fi
}

# Ends the Wine server of this prefix (and with it whatever still runs there); never another one.
stop_wine_prefix() {
    [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
}

# A new 64-bit Wine prefix. On the virtual display Wine's X11 driver draws the windows; without one the
# null graphics driver serves the hidden windows the libraries use (and the dialog tests say they
# cannot run).
fresh_wine_prefix() {
    stop_wine_prefix
    rm -rf "$WINEPREFIX"
    local driver=null
    [ -n "${wine_display:-}" ] && driver=x11
    wine_run wineboot -i >/dev/null 2>&1 &&
        wine_run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >/dev/null 2>&1 &&
        virtual_desktop &&
        wineserver -w
}

# On the display, every program runs in one virtual desktop of Wine's: Wine draws the title bars
# itself, and showing or hiding a window does not wait on a window manager that is not there.
virtual_desktop() {
    [ "${driver:-null}" = x11 ] || return 0
    wine_run reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
        wine_run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
}

# Starts corvel-twssim on a free loopback port with the given options; sets sim (its pid) and
# sim_port (empty when it did not start). Its output goes to the file named by the first argument.
start_simulator() {
    local log=$1 simulator=$2
    shift 2
    "$simulator" --port 0 "$@" >"$log" 2>&1 &
    sim=$!
    sim_port=""
    for _ in $(seq 100); do
        sim_port=$(sed -n 's/.*listening on [^ ]*:\([0-9][0-9]*\) .*/\1/p' "$log")
        [ -n "$sim_port" ] && return 0
        sleep 0.1
    done
}

# Shared by the Windows test and benchmark scripts: the Wine environment and the simulator.

# Every Wine program starts through the 64-bit loader: with a 32-bit Wine installed, plain `wine` is
# the 32-bit one, whose tools see only the 32-bit registry. The 64-bit loader hands a 32-bit program
# (the ones in C:\windows\syswow64) to the 32-bit loader by itself.
wine_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)

# A hung Wine program must not hang the run: each gets this many seconds.
wine_timeout=${WINE_TIMEOUT:-180}

wine_run() { timeout -k 5 "$wine_timeout" "$wine_loader" "$@"; }

use_wine_prefix() {
    export WINEPREFIX="$1"
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export DISPLAY=
}

# Ends the Wine server of this prefix (and with it whatever still runs there); never another one.
stop_wine_prefix() {
    [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
}

# A new 64-bit Wine prefix. No display in CI: the null graphics driver serves the hidden windows the
# libraries use.
fresh_wine_prefix() {
    stop_wine_prefix
    rm -rf "$WINEPREFIX"
    wine_run wineboot -i >/dev/null 2>&1 &&
        wine_run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 &&
        wineserver -w
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

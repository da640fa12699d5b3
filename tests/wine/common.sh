# Shared by the Windows test and benchmark scripts: the Wine environment and the simulator.

use_wine_prefix() {
    export WINEPREFIX="$1"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export DISPLAY=
}

# A new Wine prefix. No display in CI: the null graphics driver serves the hidden windows the
# libraries use.
fresh_wine_prefix() {
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
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

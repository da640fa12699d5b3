#!/usr/bin/env bash
# Records per second from the simulator's firehose through Tallowin3.dll under Wine, each one read by
# the event client through IDispatch:  tests/wine/bench.sh <win64 build dir> <native build dir> [seconds]
set -euo pipefail
win64=$(realpath "$1")
native=$(realpath "$2")
seconds=${3:-10}
export WINEPREFIX="$win64/wine-prefix" WINEDEBUG=-all DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
fi
wine regsvr32 /s "$(winepath -w "$win64/bin/Tallowin3.dll")"
"$native/bin/corvel-twssim" --port 0 --rate max >"$win64/bench-sim.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
port=""
for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on [^ ]*:\([0-9][0-9]*\) .*/\1/p' "$win64/bench-sim.log")
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "the simulator did not start"; exit 1; }
wine "$(winepath -w "$win64/bin/tallowin3_client.exe")" "$port" --bench "$seconds" | tr -d '\r'

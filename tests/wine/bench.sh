#!/usr/bin/env bash
# Records per second from the simulator's firehose through Tallowin3.dll under Wine, each one read by
# the event client through IDispatch; then the tape dialog's calls into Excel and wall time through the
# Excel binding and the test Excel (10, 1 000 and 10 000 contract rows, 1 000 tapes), headless and on
# real windows; then topic updates
# per second through the real-time data server:
#   tests/wine/bench.sh <win64 build dir> <native build dir> [seconds]
set -euo pipefail
. "$(cd "$(dirname "$0")" && pwd)/common.sh"
win64=$(realpath "$1")
native=$(realpath "$2")
seconds=${3:-10}
# A prefix of its own, on a virtual display of its own, for the dialog drawn on real windows.
start_virtual_display || true
use_wine_prefix "$win64/bench-prefix"
fresh_wine_prefix
wine_run regsvr32 /s "$(wine_run winepath -w "$win64/bin/Tallowin3.dll")"
start_simulator "$win64/bench-sim.log" "$native/bin/corvel-twssim" --rate max
trap 'kill "$sim" 2>/dev/null || true; stop_wine_prefix; stop_virtual_display' EXIT
[ -n "$sim_port" ] || { echo "the simulator did not start"; exit 1; }
wine_run "$(wine_run winepath -w "$win64/bin/tallowin3_client.exe")" "$sim_port" --bench "$seconds" | tr -d '\r'
wine_run "$(wine_run winepath -w "$win64/bin/tape_excel_bench.exe")" | tr -d '\r'
if [ -n "$wine_display" ]; then
    echo "the same on real windows (a person's steps, so each includes up to 60 ms of their pace):"
    (cd "$win64/bin" && wine_run "$(wine_run winepath -w "$win64/bin/tape_excel_windows_bench.exe")" |
        tr -d '\r' | grep -v '^layout')
fi

# The real-time data server: 1 000 topics over 100 contracts at the simulator's full rate, refreshed as
# Excel refreshes, with the memory the client process holds.
kill "$sim" 2>/dev/null || true
wait "$sim" 2>/dev/null || true
contracts="$win64/bench-contracts.txt"
for i in $(seq 0 99); do printf 'R%03d,STK,SMART,USD,%d\n' "$i" $((20 + i)); done >"$contracts"
start_simulator "$win64/bench-rtd-sim.log" "$native/bin/corvel-twssim" --rate max --contracts "$contracts" \
    --max-tickers 200
[ -n "$sim_port" ] || { echo "the simulator did not start"; exit 1; }
wine_run "$(wine_run winepath -w "$win64/bin/rtd_client.exe")" "$sim_port" --bench "$seconds" | tr -d '\r'

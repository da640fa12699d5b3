#!/usr/bin/env bash
# Runs the Windows tests under Wine: registers the x64 DLL in a fresh Wine prefix, runs the script
# suite and the event client (against the native TWS simulator), checks per-user registration, and
# checks the x86 DLL's exports (run it too where a 32-bit Wine is installed).
#   tests/wine/run.sh <win64 build dir> <win32 build dir> <native build dir>
set -euo pipefail
win64=$(realpath "$1")
win32=$(realpath "$2")
native=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX="$win64/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY=
failures=0
step() { echo "== $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

step "fresh Wine prefix in $WINEPREFIX"
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
# No display in CI: the null graphics driver serves the hidden windows the libraries use.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w

dll=$(winepath -w "$win64/bin/Tallowin3.dll")
suite=$(winepath -w "$here/tallowin3_suite.vbs")

# Wine's script host exits 0 on a script error, so a run passes only if it reports its summary.
run_suite() {
    local name=$1; shift
    local out
    out=$(wine cscript //nologo "$@" 2>&1 | tr -d '\r') || true
    echo "$out" | sed 's/^/   /'
    echo "$out" | grep -q "checks, 0 failed" || fail "$name"
}

step "regsvr32 Tallowin3.dll (machine)"
wine regsvr32 /s "$dll" || fail "regsvr32"
step "script suite"
run_suite "script suite" "$suite" 1

step "generic-tick list stored under HKCU\\Software\\HALVARD\\Corvel\\SettingsCorvel"
ticks=$(wine reg query 'HKCU\Software\HALVARD\Corvel\SettingsCorvel' /v CorvelgenericTicks 2>&1 | tr -d '\r') || true
echo "$ticks" | sed 's/^/   /'
echo "$ticks" | grep -q "REG_SZ *100,101,104,105,107,165,225,232,233,236" || fail "stored generic-tick list"

step "event client against the TWS simulator"
client=$(winepath -w "$win64/bin/tallowin3_client.exe")
"$native/bin/corvel-twssim" --port 0 --port-file "$win64/sim.port" --seed 7 --report "$win64/sim.report" \
    >"$win64/sim.log" 2>&1 &
sim=$!
for _ in $(seq 100); do [ -s "$win64/sim.port" ] && break; sleep 0.1; done
if [ -s "$win64/sim.port" ]; then
    wine "$client" "$(cat "$win64/sim.port")" "$(winepath -w "$win64/sim.report")" 2>&1 | tr -d '\r' | sed 's/^/   /' \
        | tee "$win64/client.log"
    grep -q "checks, 0 failed" "$win64/client.log" || fail "event client"
else
    fail "simulator did not start: $(cat "$win64/sim.log")"
fi
kill "$sim" 2>/dev/null || true
wait "$sim" 2>/dev/null || true

step "unregister, then register for the current user only"
wine regsvr32 /s /u "$dll" || fail "regsvr32 /u"
if wine reg query 'HKCR\Tallowin3.cTWS' >/dev/null 2>&1; then fail "ProgID left after unregistering"; fi
wine regsvr32 /s /n /i:user "$dll" || fail "regsvr32 /n /i:user"
wine reg query 'HKCU\Software\Classes\Tallowin3.cTWS\CLSID' >/dev/null 2>&1 || fail "per-user ProgID"
run_suite "script suite, per-user registration" "$suite" 1
wine regsvr32 /s /u /n /i:user "$dll" || fail "per-user unregister"

step "x86 DLL exports"
exports=$(i686-w64-mingw32-objdump -p "$win32/bin/Tallowin3.dll")
for e in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer DllInstall; do
    echo "$exports" | grep -q "\] $e$" || fail "x86 export $e"
done
if echo "$exports" | grep "DLL Name" | grep -viqE "kernel32|user32|advapi32|ole32|oleaut32|ws2_32|msvcrt"; then
    fail "x86 DLL needs a DLL beyond the system's"
fi
echo "   exports present; imports are system DLLs only"

wineserver -k 2>/dev/null || true
if [ "$failures" -ne 0 ]; then
    echo "$failures Windows test step(s) failed"
    exit 1
fi
echo "Windows tests passed."

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
. "$here/common.sh"

use_wine_prefix "$win64/wine-prefix"
failures=0
step() { echo "== $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

step "fresh Wine prefix in $WINEPREFIX"
fresh_wine_prefix

dll=$(winepath -w "$win64/bin/Tallowin3.dll")
suite=$(winepath -w "$here/tallowin3_suite.vbs")

# Wine's script host exits 0 on a script error, so a run passes only if it reports its summary.
run_suite() {
    local name=$1; shift
    local out
    out=$(wine cscript //nologo "$@" 2>&1 | tr -d '\r') || true
    echo "$out" | sed 's/^/   /'
    grep -q "checks, 0 failed" <<<"$out" || fail "$name"
}

step "regsvr32 Tallowin3.dll (machine)"
wine regsvr32 /s "$dll" || fail "regsvr32"
step "script suite"
run_suite "script suite" "$suite" 1

step "event client against the TWS simulator"
client=$(winepath -w "$win64/bin/tallowin3_client.exe")
# The simulator keeps what it sent and writes it when stopped; the client writes what arrived.
start_simulator "$win64/sim.log" "$native/bin/corvel-twssim" --seed 7 --record "$win64/sim.sent"
port=$sim_port
if [ -n "$port" ]; then
    wine "$client" "$port" "$(winepath -w "$win64/client.received")" 2>&1 | tr -d '\r' | tee "$win64/client.log" \
        | sed 's/^/   /' || true
    grep -q "checks, 0 failed" "$win64/client.log" || fail "event client"
else
    fail "simulator did not start: $(cat "$win64/sim.log")"
fi
kill -TERM "$sim" 2>/dev/null || true
wait "$sim" 2>/dev/null || true
step "what arrived is what the simulator sent"
compare=$(wine "$client" compare "$(winepath -w "$win64/client.received")" "$(winepath -w "$win64/sim.sent")" 2>&1 \
    | tr -d '\r') || true
echo "$compare" | sed 's/^/   /'
grep -q "checks, 0 failed" <<<"$compare" || fail "comparison with the simulator"

step "after disconnect, the generic-tick list is stored under HKCU\\Software\\HALVARD\\Corvel\\SettingsCorvel"
ticks=$(wine reg query 'HKCU\Software\HALVARD\Corvel\SettingsCorvel' /v CorvelgenericTicks 2>&1 | tr -d '\r') || true
echo "$ticks" | sed 's/^/   /'
grep -q "REG_SZ *100,101,104,105,107,165,225,232,233,236" <<<"$ticks" || fail "stored generic-tick list"

step "unregister, then register for the current user only"
wine regsvr32 /s /u "$dll" || fail "regsvr32 /u"
if wine reg query 'HKCR\Tallowin3.cTWS' >/dev/null 2>&1; then fail "ProgID left after unregistering"; fi
wine regsvr32 /s /n /i:user "$dll" || fail "regsvr32 /n /i:user"
# Windows merges these keys into HKEY_CLASSES_ROOT for the user; Wine does not, so check the keys.
user_classes='HKCU\Software\Classes'
clsid=$(wine reg query "$user_classes\Tallowin3.cTWS\CLSID" /ve 2>&1 | tr -d '\r' | grep -o '{[-0-9A-Fa-f]*}') || true
[ -n "$clsid" ] || fail "per-user ProgID Tallowin3.cTWS"
server_key="$user_classes\\CLSID\\$clsid\\InprocServer32"
server=$(wine reg query "$server_key" /ve 2>&1 | tr -d '\r') || true
grep -qi "Tallowin3.dll" <<<"$server" || fail "per-user InprocServer32 of $clsid"
threading=$(wine reg query "$server_key" /v ThreadingModel 2>&1 | tr -d '\r') || true
grep -q "Apartment" <<<"$threading" || fail "per-user ThreadingModel"
echo "   Tallowin3.cTWS -> $clsid -> $(grep -o '[A-Z]:.*Tallowin3.dll' <<<"$server")"
if wine reg query 'HKLM\Software\Classes\Tallowin3.cTWS' >/dev/null 2>&1; then
    fail "per-user registration wrote machine keys"
fi
wine regsvr32 /s /u /n /i:user "$dll" || fail "per-user unregister"
if wine reg query "$user_classes\Tallowin3.cTWS" >/dev/null 2>&1; then fail "per-user ProgID left"; fi

step "x86 DLL exports"
exports=$(i686-w64-mingw32-objdump -p "$win32/bin/Tallowin3.dll")
for e in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer DllInstall; do
    grep -q "\] $e\$" <<<"$exports" || fail "x86 export $e"
done
if grep "DLL Name" <<<"$exports" | grep -viqE "kernel32|user32|advapi32|ole32|oleaut32|ws2_32|msvcrt"; then
    fail "x86 DLL needs a DLL beyond the system's"
fi
echo "   exports present; imports are system DLLs only"

wineserver -k 2>/dev/null || true
if [ "$failures" -ne 0 ]; then
    echo "$failures Windows test step(s) failed"
    exit 1
fi
echo "Windows tests passed."

#!/usr/bin/env bash
# Runs the Windows tests under Wine, for the x64 build and then the x86 one, each in a fresh 64-bit Wine
# prefix of its own: every GoogleTest program of the build (bin/*_tests.exe), the checks of the COM
# foundation, then each DLL: registers it, runs its script suite and its compiled client (Tallowin3's
# against the native TWS simulator), checks the stored settings, per-user registration and the exports.
# The x86 DLL is driven by the 32-bit tools of C:\windows\syswow64, as 32-bit Excel would load it.
#   tests/wine/run.sh <win64 build dir> <win32 build dir> <native build dir>
set -euo pipefail
win64=$(realpath "$1")
win32=$(realpath "$2")
native=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

failures=0
step() { echo "== $*"; }
fail() { echo "FAIL: $width: $*"; failures=$((failures + 1)); }

# The width under test and its system folder; the tools below are that width's.
width=""
system=""
regsvr32() { wine_run "$system\\regsvr32.exe" "$@"; }
reg() { wine_run "$system\\reg.exe" "$@"; }
windows_path() { wine_run winepath -w "$1" | tr -d '\r'; }
indent() { tr -d '\r' | sed 's/^/   /'; }

# A Windows test program passes only if it reports its summary with nothing failed (Wine's script host
# exits 0 even on a script error).
run_checks() {
    local name=$1 out
    shift
    out=$(wine_run "$@" 2>&1 | tr -d '\r') || true
    echo "$out" | indent
    grep -q "checks, 0 failed" <<<"$out" || fail "$name"
}
run_suite() {
    local name=$1
    shift
    run_checks "$name" "$system\\cscript.exe" //nologo "$@"
}

# The event client and the comparison of what arrived with what the simulator sent.
run_event_client() {
    local dir=$1 client port
    client=$(windows_path "$dir/bin/tallowin3_client.exe")
    rm -f "$dir/client.received" "$dir/sim.sent"
    # The simulator keeps what it sent and writes it when stopped; the client writes what arrived.
    start_simulator "$dir/sim.log" "$native/bin/corvel-twssim" --seed 7 --record "$dir/sim.sent"
    port=$sim_port
    if [ -n "$port" ]; then
        wine_run "$client" "$port" "$(windows_path "$dir/client.received")" 2>&1 | tr -d '\r' >"$dir/client.log" || true
        indent <"$dir/client.log"
        grep -q "checks, 0 failed" "$dir/client.log" || fail "event client"
    else
        fail "simulator did not start: $(cat "$dir/sim.log")"
    fi
    kill -TERM "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    sim=""
    step "$width: what arrived is what the simulator sent"
    local compare
    compare=$(wine_run "$client" compare "$(windows_path "$dir/client.received")" "$(windows_path "$dir/sim.sent")" 2>&1 |
        tr -d '\r') || true
    echo "$compare" | indent
    grep -q "checks, 0 failed" <<<"$compare" || fail "comparison with the simulator"
}

# A GoogleTest program passes only when its summary says every test passed.
run_gtest() {
    local name=$1 program=$2 out
    out=$(cd "$(dirname "$program")" && wine_run "$(windows_path "$program")" --gtest_brief=1 2>&1 | tr -d '\r') || true
    echo "$out" | indent
    if ! grep -qE '^\[  PASSED  \] [0-9]+ tests?\.$' <<<"$out" || grep -q '^\[  FAILED  \]' <<<"$out"; then
        fail "$name"
    fi
}

# The real-time data server as Excel drives it, against a simulator of 100 contracts that is stopped and
# started again (on the same port) when the client asks through a marker file in its work folder. What
# the cells showed at each end is then compared with what each simulator sent.
run_rtd_client() {
    local dir=$1 client work port client_pid i
    client=$(windows_path "$dir/bin/rtd_client.exe")
    work="$dir/rtd"
    rm -rf "$work" && mkdir -p "$work"
    for i in $(seq 0 99); do printf 'R%03d,STK,SMART,USD,%d\n' "$i" $((20 + i)); done >"$work/contracts.txt"
    # The lines go quiet after a few updates, so the last value of each is known to both sides.
    local options=(--contracts "$work/contracts.txt" --max-tickers 200 --rate 20 --updates 30 -v)
    start_simulator "$work/sim1.log" "$native/bin/corvel-twssim" "${options[@]}" --seed 11 --record "$work/sim1.sent"
    port=$sim_port
    if [ -z "$port" ]; then
        fail "simulator did not start: $(cat "$work/sim1.log")"
        return
    fi
    wine_run "$client" "$port" "$(windows_path "$work")" >"$work/client.log" 2>&1 &
    client_pid=$!
    while [ ! -e "$work/stop-simulator" ] && kill -0 "$client_pid" 2>/dev/null; do sleep 0.1; done
    kill -TERM "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    sim=""
    while [ ! -e "$work/start-simulator" ] && kill -0 "$client_pid" 2>/dev/null; do sleep 0.1; done
    if [ -e "$work/start-simulator" ]; then
        "$native/bin/corvel-twssim" --port "$port" "${options[@]}" --seed 12 --record "$work/sim2.sent" \
            >"$work/sim2.log" 2>&1 &
        sim=$!
    fi
    wait "$client_pid" || true
    if [ -n "$sim" ]; then
        kill -TERM "$sim" 2>/dev/null || true
        wait "$sim" 2>/dev/null || true
        sim=""
    fi
    tr -d '\r' <"$work/client.log" | indent
    grep -q "checks, 0 failed" <(tr -d '\r' <"$work/client.log") || fail "real-time data client"
    local round
    for round in 1 2; do
        step "$width: the cells show the last values simulator $round sent"
        run_checks "real-time data values $round" "$client" compare "$(windows_path "$work/values$round.txt")" \
            "$(windows_path "$work/sim$round.log")" "$(windows_path "$work/sim$round.sent")"
    done
    step "$width: ServerTerminate stored the connection settings under HKCU\\Software\\HALVARD\\Corvel\\RTD"
    local settings
    settings=$(reg query 'HKCU\Software\HALVARD\Corvel\RTD' 2>&1 | tr -d '\r') || true
    echo "$settings" | indent
    grep -q "Host *REG_SZ *127.0.0.1" <<<"$settings" && grep -q "Port *REG_DWORD *0x1d49" <<<"$settings" &&
        grep -q "ClientId *REG_DWORD *0x11" <<<"$settings" || fail "stored real-time data settings"
}

# The command-line example played over the test Excel against the simulator, while a person of its
# own process answers the dialogs. The script host cannot load one script into another, so the suite
# runs appended to a copy of the example (which, under another name, only defines its flow).
run_example_flow() {
    local dir=$1 flow="$dir/example_flow.vbs" person
    cat "$here/../../examples/vbscript/CorvelProject.vbs" "$here/example_suite.vbs" >"$flow"
    # Its checks of per-user registration left Tallowin3.dll unregistered.
    regsvr32 /s "$(windows_path "$dir/bin/Tallowin3.dll")" || fail "regsvr32 Tallowin3.dll for the example"
    start_simulator "$dir/example_sim.log" "$native/bin/corvel-twssim" --rate 20
    if [ -z "$sim_port" ]; then
        fail "simulator did not start: $(cat "$dir/example_sim.log")"
        return
    fi
    wine_run "$(windows_path "$dir/bin/example_person.exe")" 60 >"$dir/example_person.log" 2>&1 &
    person=$!
    run_suite "example flow" "$(windows_path "$flow")" "$sim_port"
    wait "$person" || true
    indent <"$dir/example_person.log"
    grep -q "every dialog answered" "$dir/example_person.log" || fail "the person at the example's dialogs"
    kill -TERM "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    sim=""
}

# Every GoogleTest program of the build.
run_test_programs() {
    local dir=$1 program name found=0
    for program in "$dir"/bin/*_tests.exe; do
        [ -e "$program" ] || continue
        found=1
        name=$(basename "$program")
        step "$width: $name"
        run_gtest "$name" "$program"
    done
    [ "$found" -eq 1 ] || fail "no test programs in $dir/bin"
}

# Unregisters the DLL (its ProgID must go), registers it for the current user only and checks the keys
# that wrote, then unregisters that too.
check_per_user_registration() {
    local dll=$1 prog_id=$2 file=$3 other user_classes='HKCU\Software\Classes' clsid server_key server threading
    # The DLL's other classes, whose ProgIDs must come and go with the first one's.
    local others=("${@:4}")
    regsvr32 /s /u "$dll" || fail "regsvr32 /u $file"
    for other in "$prog_id" "${others[@]}"; do
        if reg query "HKCR\\$other" >/dev/null 2>&1; then fail "ProgID $other left after unregistering"; fi
    done
    regsvr32 /s /n /i:user "$dll" || fail "regsvr32 /n /i:user $file"
    # Windows merges these keys into HKEY_CLASSES_ROOT for the user; Wine does not, so check the keys.
    clsid=$(reg query "$user_classes\\$prog_id\\CLSID" /ve 2>&1 | tr -d '\r' | grep -o '{[-0-9A-Fa-f]*}') || true
    [ -n "$clsid" ] || fail "per-user ProgID $prog_id"
    server_key="$user_classes\\CLSID\\$clsid\\InprocServer32"
    server=$(reg query "$server_key" /ve 2>&1 | tr -d '\r') || true
    grep -qi "$file" <<<"$server" || fail "per-user InprocServer32 of $clsid"
    threading=$(reg query "$server_key" /v ThreadingModel 2>&1 | tr -d '\r') || true
    grep -q "Apartment" <<<"$threading" || fail "per-user ThreadingModel of $prog_id"
    echo "   $prog_id -> $clsid -> $(grep -o "[A-Z]:.*$file" <<<"$server" || true)"
    if reg query "HKLM\\Software\\Classes\\$prog_id" >/dev/null 2>&1; then
        fail "per-user registration of $file wrote machine keys"
    fi
    for other in "${others[@]}"; do
        reg query "$user_classes\\$other\\CLSID" /ve >/dev/null 2>&1 || fail "per-user ProgID $other"
    done
    regsvr32 /s /u /n /i:user "$dll" || fail "per-user unregister of $file"
    for other in "$prog_id" "${others[@]}"; do
        if reg query "$user_classes\\$other" >/dev/null 2>&1; then fail "per-user ProgID $other left"; fi
    done
}

check_exports() {
    local file=$1 objdump=$2 exports
    exports=$($objdump -p "$file")
    for e in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer DllInstall; do
        grep -q "\] $e\$" <<<"$exports" || fail "export $e"
    done
    if grep "DLL Name" <<<"$exports" | grep -viqE "kernel32|user32|gdi32|comctl32|advapi32|ole32|oleaut32|ws2_32|shell32|msvcrt"; then
        fail "$(basename "$file") needs a DLL beyond the system's"
    fi
    echo "   $(basename "$file"): exports present; imports are system DLLs only"
}

# The user-interface library: registered, its script suite, the compiled caller's checks (dispatch
# identifiers, type library, errors, two objects, unload and load again), then per-user registration.
test_pelorin() {
    local dir=$1 objdump=$2 dll
    dll=$(windows_path "$dir/bin/Pelorin.dll")
    step "$width: regsvr32 Pelorin.dll (machine)"
    regsvr32 /s "$dll" || fail "regsvr32 Pelorin.dll"
    step "$width: Pelorin script suite"
    run_suite "Pelorin script suite" "$(windows_path "$here/pelorin_suite.vbs")"
    step "$width: Pelorin.dll as a compiled caller meets it"
    run_checks "Pelorin checks" "$(windows_path "$dir/bin/pelorin_checks.exe")"
    step "$width: Pelorin.dll's dialogs on real windows, with the test Excel"
    run_gtest "pelorin_stories.exe" "$dir/bin/pelorin_stories.exe"
    step "$width: the command-line example (examples/vbscript/CorvelProject.vbs) over the test Excel"
    run_example_flow "$dir"
    step "$width: Pelorin.dll registered for the current user only"
    check_per_user_registration "$dll" Pelorin.cPelorin Pelorin.dll
    step "$width: Pelorin.dll exports"
    check_exports "$dir/bin/Pelorin.dll" "$objdump"
}

# One width's tests, in a prefix of its own so that nothing the other width registered or stored can
# make a check pass.
test_width() {
    local dir=$1 objdump=$2 dll
    use_wine_prefix "$dir/wine-prefix"
    step "$width: Wine prefix $WINEPREFIX"
    if ! reg query 'HKCU\Software' >/dev/null 2>&1; then
        # A machine without the 32-bit Wine (its packages are sometimes out of reach on a mirror) still
        # checks what the x86 DLLs are made of; a 32-bit Wine that is there and fails is a failure.
        if [ "$width" = x86 ] && [ ! -e "$wine32_loader" ]; then
            echo "   no 32-bit Wine ($wine32_loader): the x86 DLLs' suites are not run here" \
                "(scripts/install-deps.sh windows installs it)"
            check_exports "$dir/bin/Tallowin3.dll" "$objdump"
            check_exports "$dir/bin/Pelorin.dll" "$objdump"
        else
            fail "Wine cannot run $system\\reg.exe"
        fi
        stop_wine_prefix
        return
    fi
    dll=$(windows_path "$dir/bin/Tallowin3.dll")

    run_test_programs "$dir"

    step "$width: the COM foundation (objects, adapters, events, server table, owners)"
    run_checks "COM foundation" "$(windows_path "$dir/bin/com_checks.exe")"

    step "$width: the test Excel, registered as CorvelTest.Excel"
    regsvr32 /s "$(windows_path "$dir/bin/test_excel.dll")" || fail "regsvr32 test_excel.dll"
    run_suite "test Excel suite" "$(windows_path "$here/test_excel_suite.vbs")"

    step "$width: regsvr32 Tallowin3.dll (machine)"
    regsvr32 /s "$dll" || fail "regsvr32"
    step "$width: script suite"
    run_suite "script suite" "$(windows_path "$here/tallowin3_suite.vbs")" 1

    step "$width: event client against the TWS simulator"
    run_event_client "$dir"

    step "$width: real-time data server (Tallowin3.RTD) as Excel drives it"
    run_rtd_client "$dir"

    step "$width: after disconnect, the generic-tick list is stored under HKCU\\Software\\HALVARD\\Corvel\\SettingsCorvel"
    local ticks
    ticks=$(reg query 'HKCU\Software\HALVARD\Corvel\SettingsCorvel' /v CorvelgenericTicks 2>&1 | tr -d '\r') || true
    echo "$ticks" | indent
    grep -q "REG_SZ *100,101,104,105,107,165,225,232,233,236" <<<"$ticks" || fail "stored generic-tick list"

    step "$width: unregister, then register for the current user only"
    check_per_user_registration "$dll" Tallowin3.cTWS Tallowin3.dll Tallowin3.RTD

    step "$width: exports"
    check_exports "$dir/bin/Tallowin3.dll" "$objdump"

    test_pelorin "$dir" "$objdump"
    stop_wine_prefix
}

# Whatever ends the run, nothing of it stays running.
sim=""
cleanup() {
    [ -n "$sim" ] && kill -TERM "$sim" 2>/dev/null
    local prefix
    for prefix in "$win64/wine-prefix" "$win32/wine-prefix"; do (use_wine_prefix "$prefix" && stop_wine_prefix); done
    stop_virtual_display
}
trap cleanup EXIT

# The dialogs' tests need drawn windows: Wine's X11 driver on a virtual display of this run's own.
if start_virtual_display; then
    step "virtual display $wine_display for Wine's X11 driver"
else
    fail "cannot start Xvfb for the dialog tests (scripts/install-deps.sh windows installs it)"
fi

# Both prefixes start the same: the second is a copy of the first made before any test ran in it,
# which is quicker than booting Wine again.
width=all
step "fresh Wine prefixes in $win64/wine-prefix and $win32/wine-prefix"
use_wine_prefix "$win32/wine-prefix"
stop_wine_prefix
use_wine_prefix "$win64/wine-prefix"
if ! { fresh_wine_prefix && rm -rf "$win32/wine-prefix" && cp -a "$WINEPREFIX" "$win32/wine-prefix"; }; then
    fail "cannot make the Wine prefixes"
    exit 1
fi

width=x64 system='C:\windows\system32'
test_width "$win64" x86_64-w64-mingw32-objdump
width=x86 system='C:\windows\syswow64'
test_width "$win32" i686-w64-mingw32-objdump

if [ "$failures" -ne 0 ]; then
    echo "$failures Windows test step(s) failed"
    exit 1
fi
if [ -e "$wine32_loader" ]; then
    echo "Windows tests passed (x64 and x86)."
else
    echo "Windows tests passed (x64; x86 built and its exports and imports checked, its suites not run: no 32-bit Wine)."
fi

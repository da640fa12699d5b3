#!/usr/bin/env bash
# Photographs every dialog of corvel-dialogs.exe under Wine on a virtual display and writes one PNG
# per dialog: Wine's virtual desktop draws the title bars, ImageMagick takes the picture.
#   scripts/screenshots.sh <win64 build dir> <output dir>
set -euo pipefail
build=$(realpath "$1")
out=$(mkdir -p "$2" && realpath "$2")
here=$(cd "$(dirname "$0")/../tests/wine" && pwd)
. "$here/common.sh"

gallery="$build/bin/corvel-dialogs.exe"
[ -x "$gallery" ] || { echo "screenshots: $gallery is missing (make windows builds it)" >&2; exit 1; }
start_virtual_display || { echo "screenshots: cannot start Xvfb (scripts/install-deps.sh windows)" >&2; exit 1; }
cleanup() { stop_wine_prefix; stop_virtual_display; }
trap cleanup EXIT
use_wine_prefix "$build/wine-prefix-screenshots"
fresh_wine_prefix

failures=0
names=$(cd "$build/bin" && wine_run ./corvel-dialogs.exe --list | tr -d '\r' | awk '{print $1}')
for name in $names; do
    log="$build/screenshot-$name.log"
    : >"$log"
    (cd "$build/bin" && wine_run ./corvel-dialogs.exe --snap 6 "$name" >"$log" 2>&1) &
    shown=$!
    rect=""
    for _ in $(seq 100); do
        rect=$(tr -d '\r' <"$log" | sed -n 's/^rect \(.*\)$/\1/p')
        [ -n "$rect" ] && break
        sleep 0.1
    done
    if [ -z "$rect" ]; then
        echo "FAIL: $name never showed its window"
        failures=$((failures + 1))
    else
        # Drawing finishes after the window is shown: give it a moment.
        sleep 1.5
        read -r x y w h <<<"$rect"
        DISPLAY=$wine_display import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
        echo "$out/$name.png (${w}x${h})"
    fi
    wait "$shown" || true
done
[ "$failures" -eq 0 ]

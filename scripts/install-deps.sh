#!/usr/bin/env bash
# Installs the Debian packages the build needs, and nothing that is already there.
# `apt-get update` runs only when something is missing, so a prepared machine pays nothing.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev
    # The wire decoder's fuzz target is built with clang's libFuzzer.
    clang libclang-rt-dev
    # `make check` holds every source to the repository's .clang-format.
    clang-format
)
# Extra groups can be asked for by name, so a plain `make test` never pays for what it does not run.
for group in "$@"; do
    case "$group" in
        base) ;;
        # Cross compilers, the IDL compiler and Wine to run the Windows DLLs' tests; the 32-bit Wine
        # runs the x86 DLL's. GoogleTest's sources, which the Windows trees build with the cross compiler.
        # A virtual display for Wine's X11 driver (the dialogs' tests) and ImageMagick for screenshots.
        windows) packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libwine-dev wine wine64
                            wine32:i386 googletest xvfb imagemagick) ;;
        *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
# Wait for another installer rather than fail: parallel builds may ask at the same time.
lock=(-o DPkg::Lock::Timeout=900)
# A package of another architecture needs that architecture known to dpkg before the update.
for p in "${missing[@]}"; do
    case "$p" in
        *:*)
            arch=${p##*:}
            if [ "$arch" != "$(dpkg --print-architecture)" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
                $sudo dpkg --add-architecture "$arch"
            fi ;;
    esac
done
# A mirror caught mid-sync fails one index now and then; the lists that did arrive still serve, and
# the install below says plainly if a package is really out of reach.
if ! $sudo apt-get "${lock[@]}" update -qq; then
    echo "install-deps: apt-get update failed for some package lists; installing from those there are" >&2
fi
# The 32-bit Wine is the only package the build can do without (the x86 DLL is still built and its
# exports and imports checked; only its Wine suites need it), and the one a half-synced i386 index
# breaks most often: it is installed on its own so that it cannot hold the rest back.
required=() optional=()
for p in "${missing[@]}"; do
    case "$p" in
        wine32:i386) optional+=("$p") ;;
        *) required+=("$p") ;;
    esac
done
install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get "${lock[@]}" install -y -qq --no-install-recommends "$@"; }
[ ${#required[@]} -eq 0 ] || install "${required[@]}"
if [ ${#optional[@]} -ne 0 ] && ! install "${optional[@]}"; then
    echo "install-deps: cannot install ${optional[*]}: the x86 DLL's suites will not run under Wine" >&2
fi

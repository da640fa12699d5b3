#!/usr/bin/env bash
# Keeps the layering of the tree: which folder may include which, no operating-system header in the
# logic, and no handle closed by hand outside the owner types. Prints every offending line and exits 1
# if there is one. Run by `make test`; `scripts/check-layers.sh` on its own takes a second.
set -euo pipefail
cd "$(dirname "$0")/.."

failures=0
report() {
    echo "$1"
    failures=$((failures + 1))
}

# The folders a folder's files may include from. Logic sees only the foundation and the seams; the
# bindings see those and each other; the libraries, tools, tests and benchmarks wire everything.
allowed_for() {
    case "$1" in
        common/*) echo "common seams" ;;
        seams/*) echo "seams common" ;;
        market_data/*) echo "market_data common seams" ;;
        # Within the user-interface library each folder sees those it builds on.
        ui/forms/*) echo "ui/forms common seams" ;;
        ui/services/*) echo "ui/services ui/forms common seams" ;;
        ui/ticker_entry/*) echo "ui/ticker_entry ui/services ui/forms common seams" ;;
        ui/tape/*) echo "ui/tape ui/services ui/forms common seams" ;;
        ui/entry/*) echo "ui/entry ui/tape ui/ticker_entry ui/services ui/forms common seams" ;;
        # The windowing host draws the dialog models, so it sees their framework, and nothing else of ui/.
        platform/win32/forms_host/*) echo "platform common seams ui/forms" ;;
        platform/*) echo "platform common seams" ;;
        *) echo "*" ;;
    esac
}

is_logic() {
    case "$1" in common/* | seams/* | market_data/* | ui/*) return 0 ;; *) return 1 ;; esac
}

# The C++ standard library: the only angle-bracket headers the logic may name.
standard_headers=" algorithm any array atomic bit bitset cassert cctype cerrno cfloat charconv chrono cinttypes
 climits clocale cmath compare concepts condition_variable cstddef cstdint cstdio cstdlib cstring ctime cwchar
 cwctype deque exception execution filesystem format forward_list functional initializer_list iomanip ios
 iosfwd iostream istream iterator limits list locale map memory memory_resource mutex new numbers numeric
 optional ostream queue random ranges ratio regex set shared_mutex source_location span sstream stack
 stdexcept streambuf string string_view system_error thread tuple type_traits typeindex typeinfo
 unordered_map unordered_set utility valarray variant vector version "

while IFS= read -r file; do
    allowed=$(allowed_for "$file")
    while IFS= read -r hit; do
        [ -n "$hit" ] || continue
        line=${hit%%:*}
        text=${hit#*:}
        if [[ $text =~ \#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            target=${BASH_REMATCH[1]}
            # corvel/ holds what the build generates (the version), which every folder may read.
            [ "$allowed" = "*" ] || [[ $target == corvel/* ]] && continue
            ok=0
            for prefix in $allowed; do
                [[ $target == "$prefix"/* ]] && ok=1 && break
            done
            [ $ok -eq 1 ] || report "$file:$line: includes \"$target\", outside what ${file%%/*}/ may see ($allowed)"
        elif [[ $text =~ \#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
            header=${BASH_REMATCH[1]}
            if is_logic "$file" && [[ $standard_headers != *" $header "* ]]; then
                report "$file:$line: includes <$header>: the logic folders use the standard library only"
            fi
        fi
    done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(git ls-files -- '*.h' '*.cpp' | grep -E '^(common|seams|market_data|ui|platform)/')

# A thread-local object with a destructor pins a Windows DLL in memory for the life of its thread, so
# the library could never unload: thread-locals hold plain values and pointers only.
while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    text=${hit#*:*:}
    if ! [[ $text =~ thread_local[[:space:]]+(static[[:space:]]+|inline[[:space:]]+)*([A-Za-z_:]+[[:space:]]*\*|bool|int|unsigned|long|double|HRESULT|DWORD|std::u?int[0-9]+_t|std::size_t)[[:space:]] ]]; then
        report "$hit: a thread-local that is not a plain value or pointer"
    fi
done < <(git ls-files -- '*.h' '*.cpp' | grep -v -E '^(tests|bench)/' | xargs grep -n -E '\bthread_local\b' || true)

# Handles and references are let go of by their owners only (`UniqueHandle` with a policy per kind,
# `com_ptr`): a close written out by hand is one that a failure path skips or runs twice. In the Windows
# bindings and the libraries no other file calls these; each file that defines an owner is listed with
# the reason it may.
raw_close='(^|[^A-Za-z0-9_])(SysFreeString|VariantClear|RegCloseKey|CloseHandle|DestroyWindow|closesocket)[[:space:]]*\(|->[[:space:]]*Release[[:space:]]*\('
owner_files=" platform/win32/handles.h"         # the Win32 and COM handle policies, and com_ptr
owner_files+=" platform/win32/win32_registry.cpp " # close_key: the close the registry key owner's policy calls
while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    file=${hit%%:*}
    [[ $owner_files == *" $file "* ]] && continue
    code=${hit#*:*:}
    code=${code%%//*} # a comment may name the calls
    [[ $code =~ $raw_close ]] || continue
    report "$hit: closed or released by hand; hold it in an owner (platform/win32/handles.h)"
done < <(git ls-files -- '*.h' '*.cpp' | grep -E '^(platform/win32|platform/com|libraries)/' |
    xargs grep -n -E "$raw_close" || true)

# A file descriptor is closed by its owner only (FileDescriptor, net::Socket), so that no path leaks
# one or closes it twice, and a close on a failure path keeps errno: no raw close() anywhere else,
# tests and tools included.
raw_close_owners="platform/posix/file_descriptor.h"
while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    file=${hit%%:*}
    [[ " $raw_close_owners " == *" $file "* ]] && continue
    report "$hit: a descriptor closed by hand; let a FileDescriptor or net::Socket own it"
done < <(git ls-files -- '*.h' '*.cpp' |
    xargs grep -n -E '(^|[^A-Za-z0-9_>:])::close[[:space:]]*\(|(^|[^A-Za-z0-9_.>:`])close[[:space:]]*\([[:space:]]*[A-Za-z_][A-Za-z0-9_]*([[:space:]]*\[[^]]*\])?[[:space:]]*\)' || true)

if [ "$failures" -ne 0 ]; then
    echo "check-layers: $failures line(s) break the layering rules (README, Contributing)"
    exit 1
fi
echo "check-layers: includes follow the layering; no OS header in the logic; thread-locals are plain;"
echo "  no handle closed by hand outside its owner"

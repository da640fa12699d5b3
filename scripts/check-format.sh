#!/usr/bin/env bash
# Fails on any C++ source that `clang-format` would change, so style never needs a review comment.
# `make format` rewrites them. Only files git knows are looked at: build trees and scratch files are not
# the repository's.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files -- '*.h' '*.cpp')
[ ${#sources[@]} -eq 0 ] && exit 0
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${sources[@]}"
    echo "format: ${#sources[@]} sources formatted"
    exit 0
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run -Werror "${sources[@]}" 2> "$report"; then
    grep -E '^[^ ]+:[0-9]+:[0-9]+: error' "$report" | cut -d: -f1 | sort -u | sed 's/^/  not formatted: /' >&2
    echo "format: run 'make format' to format the sources above" >&2
    exit 1
fi
echo "format: ${#sources[@]} sources formatted as .clang-format says"

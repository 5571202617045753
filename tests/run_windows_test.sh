#!/usr/bin/env bash
# Runs one Windows test program under Wine: a fresh prefix copied from the cached
# template, the placeholder product components and the tests' port monitor staged, an X
# server of its own for the boxes and dialogs. Prints the program's output, exits with
# its code; the prefix is kept after a failure.
#
#   run_windows_test.sh path/to/program.exe [gtest arguments...]
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=${1:?usage: run_windows_test.sh program.exe [gtest arguments...]}
shift
wine_dir=${VESKREG_WINE_DIR:-$repo/build/wine}
timeout_seconds=${VESKREG_TEST_TIMEOUT:-540}

fail() {
    echo "run_windows_test: $*" >&2
    exit 2
}
for tool in wine wineserver timeout flock Xvfb; do
    command -v "$tool" >/dev/null || fail "$tool is not installed: run scripts/install_deps.sh"
done
[[ -f $exe ]] || fail "$exe is missing: cmake --preset win32 && cmake --build --preset win32"
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
name=$(basename "$exe" .exe)

"$repo/scripts/wine_prefix.sh" template "$wine_dir/template" || fail "template prefix not made in $wine_dir/template"
prefix=$wine_dir/runs/$name.$$
"$repo/scripts/wine_prefix.sh" copy "$wine_dir/template" "$prefix" || fail "prefix copy into $prefix failed"
"$repo/scripts/wine_prefix.sh" stage "$prefix"
"$repo/scripts/wine_prefix.sh" monitor "$prefix" "$(dirname "$exe")/../tools/portmonitor.dll"

# shellcheck source=../scripts/wine_display.sh
source "$repo/scripts/wine_display.sh"
work=$(mktemp -d)
start_private_display "$work" run_windows_test
trap 'kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT

# Z: maps to /, so the program runs where it was built, with its fixtures beside it.
set +e
(
    cd "$prefix/drive_c" &&
        WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" \
            VESKREG_TEST_FIXTURES="Z:$(dirname "$exe" | tr / '\\')" \
            timeout --kill-after=10 "$timeout_seconds" wine "Z:${exe//\//\\}" "$@" </dev/null
)
code=$?
set -e
"$repo/scripts/wine_prefix.sh" stop "$prefix"
if [[ $code -eq 124 || $code -eq 137 ]]; then
    echo "run_windows_test: $name timed out after ${timeout_seconds}s; prefix kept: $prefix" >&2
    exit 1
elif [[ $code -ne 0 ]]; then
    echo "run_windows_test: $name exited with $code; prefix kept: $prefix" >&2
else
    rm -rf "$prefix"
fi
exit "$code"

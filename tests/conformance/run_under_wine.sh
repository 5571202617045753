#!/usr/bin/env bash
# Runs the win32-built conformance suite under Wine in a fresh prefix (a copy of the
# Wine tests' cached template), prints its GoogleTest output and exits with its code.
#
#   run_under_wine.sh [path/to/veskreg_conformance.exe] [gtest arguments...]
#
# VESKREG_WINE_DIR (default <repo>/build/wine) holds the template prefix; the run's own
# prefix is made beside it and removed after a passing run.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=${1:-$repo/build/win32/tests/conformance/veskreg_conformance.exe}
shift || true
wine_dir=${VESKREG_WINE_DIR:-$repo/build/wine}
timeout_seconds=${VESKREG_CONFORMANCE_TIMEOUT:-300}

fail() {
    echo "run_under_wine: $*" >&2
    exit 2
}

for tool in wine wineserver timeout flock; do
    command -v "$tool" >/dev/null || fail "$tool is not installed: run scripts/install_deps.sh"
done
[[ -f $exe ]] || fail "$exe is missing: cmake --preset win32 && cmake --build --preset win32"
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")

"$repo/scripts/wine_prefix.sh" template "$wine_dir/template" || fail "template prefix not made in $wine_dir/template"
prefix=$wine_dir/cases/conformance.$$
"$repo/scripts/wine_prefix.sh" copy "$wine_dir/template" "$prefix" || fail "prefix copy into $prefix failed"

# Z: maps to /, so the exe (and the monitor library beside it) run where they were built.
windows_exe="Z:${exe//\//\\}"
set +e
(
    cd "$prefix/drive_c" &&
        WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" \
            timeout --kill-after=10 "$timeout_seconds" wine "$windows_exe" "$@" </dev/null
)
code=$?
set -e
"$repo/scripts/wine_prefix.sh" stop "$prefix"

if [[ $code -eq 124 || $code -eq 137 ]]; then
    echo "run_under_wine: $exe timed out after ${timeout_seconds}s; prefix kept: $prefix" >&2
    exit 1
elif [[ $code -ne 0 ]]; then
    echo "run_under_wine: $exe exited with $code; prefix kept: $prefix" >&2
else
    rm -rf "$prefix"
fi
exit "$code"

#!/usr/bin/env bash
# Runs one Windows test program under Wine in a fresh prefix with an X server of its own.
# Passes only on exit 0, no unhandled exception and GoogleTest's XML saying every test ran and
# passed; a failure ends with one line that says why, its prefix kept.
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

# Z: maps to /. GoogleTest writes its XML last: a program that dies or leaves early writes none.
result=$work/result.xml
(
    cd "$prefix/drive_c" &&
        WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" \
            VESKREG_TEST_FIXTURES="Z:$(dirname "$exe" | tr / '\\')" \
            timeout --kill-after=10 "$timeout_seconds" \
            wine "Z:${exe//\//\\}" "--gtest_output=xml:Z:${result//\//\\}" "$@" </dev/null
) 2>&1 | tee "$work/output"
code=${PIPESTATUS[0]}
"$repo/scripts/wine_prefix.sh" stop "$prefix"

# The one reason a run fails, or nothing when it passed.
verdict() {
    if [[ $code -eq 124 || $code -eq 137 ]]; then
        echo "timed out after ${timeout_seconds}s"
        return
    fi
    local crash
    crash=$(grep -m1 -aE '^wine: Unhandled|^wine: .*exception' "$work/output")
    [[ -z $crash ]] || { echo "crashed: ${crash#wine: }"; return; }
    if [[ ! -s $result ]]; then
        [[ $code -eq 0 ]] && echo "exited with 0, but GoogleTest wrote no result" || echo "exited with $code, no result"
        return
    fi
    awk -v code="$code" '
        /<testsuites / { for (n = split("tests failures errors", a, " "); n; n--)
                             if (match($0, " " a[n] "=\"[0-9]+\"")) total[a[n]] = substr($0, RSTART + length(a[n]) + 3, RLENGTH - length(a[n]) - 4) + 0 }
        /<testcase / { match($0, / name="[^"]*"/); test = substr($0, RSTART + 7, RLENGTH - 8)
                       match($0, / classname="[^"]*"/); test = substr($0, RSTART + 12, RLENGTH - 13) "." test
                       if ($0 ~ /status="run"/) ran++ }
        /<failure/ && !(test in seen) { seen[test]; failed = failed " " test }
        END {
            if (!("tests" in total)) print "GoogleTest'"'"'s result has no totals"
            else if (total["failures"] || total["errors"] || failed != "")
                printf "%d of %d tests failed:%s\n", total["failures"] + total["errors"], total["tests"], failed
            else if (code != 0) print "exited with " code " after every test passed"
            else if (ran == 0) print "no test ran"
            else if (ran != total["tests"]) printf "only %d of %d tests ran\n", ran, total["tests"]
        }' "$result"
}
reason=$(verdict)
if [[ -n $reason ]]; then
    echo "run_windows_test: $name FAILED: $reason; prefix kept: $prefix" >&2
    exit 1
fi
rm -rf "$prefix"
echo "run_windows_test: $name passed: $(grep -c '<testcase [^>]*status="run"' "$result") tests"

#!/usr/bin/env bash
# Runs the real veskreg.exe once, in a scratch Wine prefix with the product's
# components staged, and shows what it did: exit code, spooler objects before
# and after, event-log lines and the windows it showed.
#
#   scripts/run.sh [switches...]
#
# The switches reach veskreg.exe as typed after the shell has read them,
# joined by spaces: quotes meant for the program need shell quotes around
# them, e.g. scripts/run.sh -x64 -addxpsprinter '-printername="Folyant"'.
#
#   VESKREG_RUN_TIMEOUT=S     seconds before a run that waits for the user is ended (default 60)
#   VESKREG_ROBOT_SCRIPT=F    rules that answer its windows (see scripts/tools/uirobot.cpp);
#                             by default every dialog and box is answered with its OK button,
#                             "none" leaves them to the timeout
#   VESKREG_KEEP_PREFIX=1     keep the scratch prefix afterwards
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

say() { printf '\n== %s\n' "$*"; }
winpath() { local p=$1; [[ $p == /* ]] || p=$root/$p; echo "Z:${p//\//\\}"; }

# --- tools ---------------------------------------------------------------------
missing=()
for tool in cmake ninja i686-w64-mingw32-g++ wine wineserver Xvfb flock; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
    echo "missing: ${missing[*]}; installing" >&2
    scripts/install_deps.sh
fi

# --- build -----------------------------------------------------------------------
say "building (win32 preset)"
log=$(mktemp)
if ! { cmake --preset win32 && cmake --build --preset win32 --target veskreg spoolctl uirobot uihook portmonitor; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
fi
rm -f "$log"
exe=build/win32/veskreg.exe
fixtures=build/win32/tools
for f in "$exe" "$fixtures/spoolctl.exe" "$fixtures/uirobot.exe" "$fixtures/uihook.dll"; do
    [[ -f $f ]] || { echo "run.sh: $f was not built" >&2; exit 1; }
done

# --- scratch prefix ----------------------------------------------------------------
scripts/wine_prefix.sh template build/wine/template
prefix=$(mktemp -d "$root/build/wine/run.XXXXXX")
work=$prefix.out
mkdir -p "$work"
xvfb_pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
    scripts/wine_prefix.sh stop "$prefix"
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    if [[ ${VESKREG_KEEP_PREFIX:-} == 1 ]]; then
        echo "prefix kept: $prefix (outputs in $work)"
    else
        rm -rf "$prefix" "$work"
    fi
}
trap cleanup EXIT
scripts/wine_prefix.sh copy build/wine/template "$prefix"

# Placeholder product components, the same list the test programs stage, and the
# tests' port monitor as the product's folyantm7.dll. Without it an install that adds
# the monitor fails as it would without the product's DLL.
scripts/wine_prefix.sh stage "$prefix"
port_monitor_fixture=build/win32/tests/portmonitor.dll
if [[ -f $port_monitor_fixture ]]; then scripts/wine_prefix.sh monitor "$prefix" "$port_monitor_fixture"; fi

# --- display -----------------------------------------------------------------------
# A display of our own: the tool may show a box even when asked not to.
# shellcheck source=scripts/wine_display.sh
source "$root/scripts/wine_display.sh"
start_private_display "$work" run.sh

export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml="

spooler() {
    (cd "$prefix/drive_c" && WINEDEBUG=-all wine "$(winpath "$fixtures/spoolctl.exe")" \
        list-printers ';' list-drivers ';' list-monitors)
}

# --- run -----------------------------------------------------------------------------
spooler >"$work/before.txt"
timeout_ms=$((${VESKREG_RUN_TIMEOUT:-60} * 1000))
robot_args=(--timeout "$timeout_ms" --out "$(winpath "$work/windows.txt")")
case ${VESKREG_ROBOT_SCRIPT:-} in
    "") robot_args+=(--rule 'class "#32770" click "OK"') ;;
    none) ;;
    *) robot_args+=(--script "$(winpath "$(realpath "$VESKREG_ROBOT_SCRIPT")")") ;;
esac
# Given verbatim through a file: wine would escape quotes inside arguments.
printf '"%s"%s' "$(winpath "$exe")" "${*:+ $*}" >"$work/command.txt"
say "running: $(cat "$work/command.txt")"
set +e
(cd "$prefix/drive_c" && WINEDEBUG=+eventlog wine "$(winpath "$fixtures/uirobot.exe")" "${robot_args[@]}" \
    --command-file "$(winpath "$work/command.txt")") >"$work/stdout.txt" 2>"$work/stderr.txt"
robot_code=$?
set -e
spooler >"$work/after.txt"

# --- report ----------------------------------------------------------------------------
code=$(sed -n 's/^exit code=//p' "$work/windows.txt" | tail -n1)
say "exit code"
if grep -q '^timeout ' "$work/windows.txt"; then
    echo "none: still running after ${VESKREG_RUN_TIMEOUT:-60} s, ended by the robot"
else
    echo "${code:-unknown (robot exit $robot_code)}"
fi

say "spooler changes (- before, + after)"
if diff "$work/before.txt" "$work/after.txt" >"$work/spooler.diff"; then
    echo "(none)"
else
    grep '^[<>]' "$work/spooler.diff" | sed 's/^</-/; s/^>/+/'
fi
say "spooler after"
cat "$work/after.txt"

say "event log"
sed -nE 's/^([0-9a-f]+:)*(err|warn|trace):eventlog:[^ ]+ L"(.*)"(\.\.\.)?$/\2: \3\4/p' "$work/stderr.txt" |
    sed 's/^err:/error:/; s/^warn:/warning:/; s/^trace:/information:/' |
    perl -pe 's/\\(["\\nrt])/$1 eq "n" ? "\n" : $1 eq "r" ? "" : $1 eq "t" ? "\t" : $1/ge' >"$work/eventlog.txt"
if [[ -s $work/eventlog.txt ]]; then cat "$work/eventlog.txt"; else echo "(none)"; fi

say "windows"
if grep -q '^window ' "$work/windows.txt"; then
    grep -v '^start \|^exit code=' "$work/windows.txt"
else
    echo "(none shown)"
fi

if [[ -n $code ]]; then exit $((code & 255)); else exit 1; fi

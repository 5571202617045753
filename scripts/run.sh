#!/usr/bin/env bash
# Runs the real veskreg.exe, in a scratch Wine prefix with the product's
# components staged, and shows what each run did: exit code, spooler objects
# before and after, event-log lines, what it wrote to standard output and the
# windows it showed.
#
#   scripts/run.sh [switches...] [-- switches...]...
#
# The switches reach veskreg.exe as typed after the shell has read them,
# joined by spaces: quotes meant for the program need shell quotes around
# them, e.g. scripts/run.sh -x64 -addxpsprinter '-printername="Folyant"'.
# "--" separates command lines, run in order in the same prefix. A command
# line may instead change the prefix between runs:
#   @winver VERSION           the Windows version Wine reports from then on (win7, win10, ...)
#   @delete PATH              deletes a file as the 32-bit program sees it (C:\windows\system32\...)
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
port_monitor_fixture=build/win32/tools/portmonitor.dll
if [[ -f $port_monitor_fixture ]]; then scripts/wine_prefix.sh monitor "$prefix" "$port_monitor_fixture"; fi

# --- display -----------------------------------------------------------------------
# A display of our own: the tool may show a box even when asked not to.
# shellcheck source=scripts/wine_display.sh
source "$root/scripts/wine_display.sh"
start_private_display "$work" run.sh

export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml="

spooler() {
    (cd "$prefix/drive_c" && WINEDEBUG=-all wine "$(winpath "$fixtures/spoolctl.exe")" \
        list-printers ';' list-printer-keys ';' list-drivers ';' list-monitors)
}

# --- runs ----------------------------------------------------------------------------
timeout_ms=$((${VESKREG_RUN_TIMEOUT:-60} * 1000))
robot_rules=()
case ${VESKREG_ROBOT_SCRIPT:-} in
    "") robot_rules+=(--rule 'class "#32770" click "OK"') ;;
    none) ;;
    *) robot_rules+=(--script "$(winpath "$(realpath "$VESKREG_ROBOT_SCRIPT")")") ;;
esac

# run N SWITCHES...: one run of veskreg.exe and its report; sets $code.
run() {
    local n=$1 out=$work/run$1 robot_code
    shift
    mkdir -p "$out"
    spooler >"$out/before.txt"
    # Given verbatim through a file: wine would escape quotes inside arguments.
    printf '"%s"%s' "$(winpath "$exe")" "${*:+ $*}" >"$out/command.txt"
    say "running: $(cat "$out/command.txt")"
    set +e
    (cd "$prefix/drive_c" && WINEDEBUG=+eventlog wine "$(winpath "$fixtures/uirobot.exe")" --timeout "$timeout_ms" \
        --out "$(winpath "$out/windows.txt")" "${robot_rules[@]}" --command-file "$(winpath "$out/command.txt")") \
        >"$out/stdout.txt" 2>"$out/stderr.txt"
    robot_code=$?
    set -e
    spooler >"$out/after.txt"

    code=$(sed -n 's/^exit code=//p' "$out/windows.txt" | tail -n1)
    say "exit code"
    if grep -q '^timeout ' "$out/windows.txt"; then
        echo "none: still running after ${VESKREG_RUN_TIMEOUT:-60} s, ended by the robot"
    else
        echo "${code:-unknown (robot exit $robot_code)}"
    fi

    say "spooler changes (- before, + after)"
    if diff "$out/before.txt" "$out/after.txt" >"$out/spooler.diff"; then
        echo "(none)"
    else
        grep '^[<>]' "$out/spooler.diff" | sed 's/^</-/; s/^>/+/'
    fi
    say "spooler after"
    cat "$out/after.txt"

    say "event log"
    sed -nE 's/^([0-9a-f]+:)*(err|warn|trace):eventlog:[^ ]+ L"(.*)"(\.\.\.)?$/\2: \3\4/p' "$out/stderr.txt" |
        sed 's/^err:/error:/; s/^warn:/warning:/; s/^trace:/information:/' |
        perl -pe 's/\\(["\\nrt])/$1 eq "n" ? "\n" : $1 eq "r" ? "" : $1 eq "t" ? "\t" : $1/ge' >"$out/eventlog.txt"
    if [[ -s $out/eventlog.txt ]]; then cat "$out/eventlog.txt"; else echo "(none)"; fi

    # The program's report on standard output (-verify), which it inherits from the robot.
    say "standard output"
    if [[ -s $out/stdout.txt ]]; then tr -d '\r' <"$out/stdout.txt"; else echo "(none)"; fi

    say "windows"
    if grep -q '^window ' "$out/windows.txt"; then
        grep -v '^start \|^exit code=' "$out/windows.txt"
    else
        echo "(none shown)"
    fi
}

# change @VERB ARGS...: a change to the prefix between runs.
change() {
    say "changing: $*"
    case $1 in
        @winver) scripts/wine_prefix.sh winver "$prefix" "${2:?@winver needs a version}" ;;
        # The 32-bit command processor sees system32 as the 32-bit program does.
        @delete) (cd "$prefix/drive_c" && WINEDEBUG=-all wine 'C:\windows\syswow64\cmd.exe' /c del "${2:?@delete needs a path}") ;;
        # A printer's key as earlier releases left it: no access list.
        @openkey) (cd "$prefix/drive_c" && WINEDEBUG=-all wine "$(winpath "$fixtures/spoolctl.exe")" \
                       open-printer-key "${2:?@openkey needs a printer name}") ;;
        *) echo "run.sh: unknown change $1 (@winver, @delete, @openkey)" >&2; exit 2 ;;
    esac
}

code=
runs=0
line=()
for arg in "$@" --; do
    if [[ $arg != -- ]]; then line+=("$arg"); continue; fi
    if [[ ${line[0]:-} == @* ]]; then
        change "${line[@]}"
    elif ((runs == 0 || ${#line[@]})); then
        runs=$((runs + 1))
        run "$runs" ${line[@]+"${line[@]}"}
    fi
    line=()
done

# The last run's exit code.
if [[ -n $code ]]; then exit $((code & 255)); else exit 1; fi

#!/usr/bin/env bash
# Pictures of every dialog and box of the real veskreg.exe, as Wine draws them:
# each one is opened in a scratch prefix under an X server of our own, the
# screen is captured while it is up, cut to the windows and written to
# docs/screens/<name>.png. The UI robot answers each window a few seconds
# later, so every run ends by itself.
#
#   scripts/screenshots.sh [name...]      all pictures, or only the named ones
#
#   VESKREG_WIN32_BUILD=DIR   where veskreg.exe and tools/ are (default build/win32,
#                             built with the win32 preset when missing)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build=${VESKREG_WIN32_BUILD:-build/win32}
out=docs/screens
winpath() { local p=$1; [[ $p == /* ]] || p=$root/$p; echo "Z:${p//\//\\}"; }

# --- tools and build -------------------------------------------------------------
missing=()
for tool in cmake ninja i686-w64-mingw32-g++ wine wineserver Xvfb flock; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
((${#missing[@]} == 0)) || scripts/install_deps.sh
command -v import >/dev/null || { echo "screenshots.sh: needs imagemagick (import, convert)" >&2; exit 1; }

need=("$build/veskreg.exe" "$build/tools/uirobot.exe" "$build/tools/uihook.dll"
    "$build/tools/spoolctl.exe" "$build/tools/portmonitor.dll")
for f in "${need[@]}"; do
    if [[ ! -f $f ]]; then
        if [[ $build == build/win32 ]]; then
            echo "building (win32 preset)"
            cmake --preset win32 >/dev/null && cmake --build --preset win32 -j2 >/dev/null
        fi
        break
    fi
done
for f in "${need[@]}"; do [[ -f $f ]] || { echo "screenshots.sh: $f is missing" >&2; exit 1; }; done

# --- display and prefixes ------------------------------------------------------------
scripts/wine_prefix.sh template build/wine/template
work=$(mktemp -d "$root/build/wine/shots.XXXXXX")
prefix=
xvfb_pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
    [[ -n $prefix ]] && scripts/wine_prefix.sh stop "$prefix"
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=scripts/wine_display.sh
source "$root/scripts/wine_display.sh"
start_private_display "$work" screenshots.sh
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

# A fresh prefix with the product's placeholder files and its driver and
# printer "Folyant" installed, as -addinstance expects.
fresh_prefix() {
    [[ -n $prefix ]] && scripts/wine_prefix.sh stop "$prefix" && rm -rf "$prefix"
    prefix=$work/prefix
    scripts/wine_prefix.sh copy build/wine/template "$prefix"
    export WINEPREFIX=$prefix
    scripts/wine_prefix.sh stage "$prefix"
}

in_prefix() { (cd "$prefix/drive_c" && "$@"); }
spoolctl() { in_prefix wine "$(winpath "$build/tools/spoolctl.exe")" "$@" >/dev/null; }
product_installed() { spoolctl add-driver Folyant-A "Windows NT x86" 3 ';' add-printer Folyant Folyant-A FILE:; }
# The library the spooler loads for the product's monitor; DLL is what to stage under its name.
stage_monitor() { scripts/wine_prefix.sh monitor "$prefix" "$1"; }
# The 32-bit view, which the program reads.
reg32() { in_prefix wine 'C:\windows\syswow64\reg.exe' "$@" >/dev/null; }

# shoot NAME PATTERN ROBOT-ARGS... -- COMMAND...: runs COMMAND under the robot,
# waits until the transcript holds a window line matching PATTERN, lets it
# paint, captures the screen cut to the windows, then waits for the run to end.
shoot() {
    local name=$1 pattern=$2 transcript=$work/$1.txt robot_pid shown=
    shift 2
    rm -f "$transcript"
    in_prefix wine "$(winpath "$build/tools/uirobot.exe")" --timeout 30000 --out "$(winpath "$transcript")" \
        "$@" >/dev/null 2>&1 &
    robot_pid=$!
    for _ in $(seq 300); do
        if grep -q "^window .*$pattern" "$transcript" 2>/dev/null; then shown=1; break; fi
        sleep 0.1
    done
    if [[ -z $shown ]]; then
        wait "$robot_pid" || true
        echo "screenshots.sh: $name: no window matching $pattern" >&2
        cat "$transcript" >&2 2>/dev/null || true
        return 1
    fi
    sleep 1.5
    # The root window is black where no window is: trimming leaves the windows.
    import -display "$DISPLAY" -window root "$work/$name.png"
    convert "$work/$name.png" -trim +repage "$out/$name.png"
    wait "$robot_pid" || true
    echo "$out/$name.png"
}

exe=$(winpath "$build/veskreg.exe")
llc='caption "Vesk Harrow Systems LLC"'
box='caption "Vesk Harrow Systems"'
later=2500

shot_about() {
    fresh_prefix
    shoot about 'caption="Vesk Harrow Systems LLC"' --rule "$llc after $later click \"OK\"" -- "$exe"
}

shot_about_shift() {
    fresh_prefix
    shoot about-shift 'caption="Vesk Harrow Systems LLC"' --shift --rule "$llc after $later click \"OK\"" -- "$exe"
}

shot_splash() {
    fresh_prefix
    reg32 add 'HKLM\Software\Vesk Harrow Systems\Folyant' /v splashdelay /t REG_DWORD /d 600000 /f
    shoot splash 'caption="Vesk Harrow Systems LLC"' --rule "$llc after $later key 0x20" -- "$exe" -splash
}

shot_add_printer() {
    fresh_prefix
    product_installed
    shoot add-printer 'caption="Add Printer"' --rule "caption \"Add Printer\" after $later click \"Cancel\"" \
        -- "$exe" -addinstance
}

shot_message_18() {
    fresh_prefix
    product_installed
    stage_monitor "$build/tools/portmonitor.dll"
    shoot message-18 'caption="Vesk Harrow Systems"' --rule 'caption "Add Printer" click "OK"' \
        --rule "$box after $later click \"OK\"" -- "$exe" -addinstance
}

# A refused name, then Cancel on the dialog that follows.
refused_name_shot() {
    local name=$1 text=$2
    fresh_prefix
    product_installed
    spoolctl add-printer "Folyant (Copy 1)" Folyant-A FILE:
    shoot "$name" 'caption="Vesk Harrow Systems"' --rule "caption \"Add Printer\" nth 1 set #1070 \"$text\"" \
        --rule 'caption "Add Printer" nth 1 click "OK"' --rule 'caption "Add Printer" nth 2 click "Cancel"' \
        --rule "$box after $later click \"OK\"" -- "$exe" -addinstance
}
shot_message_19() { refused_name_shot message-19 "Folyant (Copy 1)"; }
shot_message_20() { refused_name_shot message-20 "Folyant/Copy"; }

# No port-monitor library: AddMonitorA fails with 126 (string 11).
shot_error_126() {
    fresh_prefix
    product_installed
    shoot error-126 'caption="Folyant"' --rule 'caption "Add Printer" click "OK"' \
        --rule "caption \"Folyant\" after $later click \"OK\"" --rule "$box click \"OK\"" -- "$exe" -addinstance
}

# A library that is no port monitor: AddMonitorA fails with another error (string 13).
shot_error_step() {
    fresh_prefix
    product_installed
    stage_monitor "$build/tools/uihook.dll"
    shoot error-step 'caption="Folyant"' --rule 'caption "Add Printer" click "OK"' \
        --rule "caption \"Folyant\" after $later click \"OK\"" --rule "$box click \"OK\"" -- "$exe" -addinstance
}

# -verify on an installation made without the port monitor: the report box lists the findings.
shot_verify() {
    fresh_prefix
    product_installed
    stage_monitor "$build/tools/portmonitor.dll"
    shoot verify 'caption="Folyant"' --rule "caption \"Folyant\" after $later click \"OK\"" -- "$exe" -verify
}

all=(about about_shift splash add_printer message_18 message_19 message_20 error_126 error_step verify)
wanted=("$@")
((${#wanted[@]})) || wanted=("${all[@]}")
mkdir -p "$out"
failed=0
for name in "${wanted[@]}"; do
    name=${name//-/_}
    if ! declare -F "shot_$name" >/dev/null; then
        echo "screenshots.sh: no picture named $name (${all[*]})" >&2
        failed=1
        continue
    fi
    "shot_$name" || failed=1
done
exit $failed

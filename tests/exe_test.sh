#!/usr/bin/env bash
# The shipped veskreg.exe under Wine through the README's run command: exit codes, windows and
# the typical installer command lines. The test programs prove the logic; these runs the file.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
failures=0

# expect NAME CODE PATTERN... -- SWITCHES...: the (last) run ends with CODE and the report
# holds every PATTERN (extended regular expressions, one per line of the report).
expect() {
    local name=$1 code=$2 patterns=() report actual p ok=1
    shift 2
    while [[ $1 != -- ]]; do patterns+=("$1"); shift; done
    shift
    report=$("$root/scripts/run.sh" "$@" 2>&1)
    actual=$(sed -n '/^== exit code$/{n;p}' <<<"$report" | tail -n1)
    [[ $actual == "$code" ]] || ok=0
    for p in "${patterns[@]}"; do grep -Eq -- "$p" <<<"$report" || ok=0; done
    ((ok)) && { echo "ok   $name"; return; }
    echo "FAIL $name (exit $actual, want $code; patterns: ${patterns[*]})"
    echo "$report" | sed 's/^/     /'
    failures=$((failures + 1))
}

expect quiet 212 '^\(none shown\)$' -- -quiet
expect x64-quiet 212 '^\(none shown\)$' -- -x64 -quiet
expect no-operation-misspelt 212 '^\(none shown\)$' -- -Quiet -addXpsprinter -quiet
expect checkinstance-fresh 0 '^\(none shown\)$' -- -checkinstance
expect install-xps 0 $'^\\+ printer\tFolyant\tFolyant-A\tPDFFILE:\twinprint\t0x00000140$' \
    $'^\\+ monitor\tFolyant Port\tWindows NT x86\tfolyantm7.dll$' '^\(none shown\)$' \
    -- -addxpsprinter '-printername="Folyant"'
# Wine cannot put a 32-bit process's printer on an x64-only driver: the INF road runs,
# which does nothing under Wine; the driver is still registered for x64.
expect install-xps-x64 0 $'^\\+ driver\tWindows x64\t3\tFolyant-A' 'InstallPrinter' \
    -- -x64 -addxpsprinter '-printername="Folyant"'
expect install-native 0 $'^\\+ printer\tFolyant\tFolyant Writer\tPDFFILE:' -- -addprinter '-printername="Folyant"'
# Installed, then checked in the same prefix: only the shortcut Wine cannot make, a note.
expect install-verify 0 '^note: printer "Folyant": no Send To shortcut; repair: -addxpsprinter -printername="Folyant"$' \
    -- -addxpsprinter '-printername="Folyant"' -- -verify -quiet
expect uninstall 0 '^\(none\)$' -- -deleteprinter
# Unattended, an installation step failing (no monitor library) and nobody to answer a window:
# none is shown, the run ends with 2, the box's text is the report's first line, the summary last.
export VESKREG_ROBOT_SCRIPT=none
expect unattended-failure 2 '^\(none shown\)$' '^-addprinter: A system error 126 ' \
    '^checked: monitor "Folyant Port", 1 printer, 1 driver: 3 problems, 1 note$' \
    -- @delete 'C:\windows\system32\folyantm7.dll' -- -addprinter '-printername="Mine"' -verify -quiet
unset VESKREG_ROBOT_SCRIPT
expect about-box 212 'Folyant' '#32770' -- ""

exit $((failures > 0))

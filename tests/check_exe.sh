#!/usr/bin/env bash
# The shipped file: a 32-bit GUI program importing Windows' own DLLs only, with its manifest.
# Its dialogs, strings and pictures are checked live by the test programs, built from the same script.
set -u
exe=${1:?usage: check_exe.sh path/to/veskreg.exe}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$exe" ] || { echo "FAIL: $exe is missing (build the win32 preset first)"; exit 1; }

file -b "$exe" | grep -q '^PE32 executable (GUI) Intel 80386' || fail "not a PE32 i386 GUI program: $(file -b "$exe")"

# Windows' own DLLs only: no MinGW runtime (libgcc, libstdc++, libwinpthread) beside it.
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|msvcrt|shlwapi|uxtheme|version)(\.dll)?$'
while read -r dll; do
  echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed" || fail "imports $dll"
done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p')

# Every import is listed with the first Windows that has it, none newer than the oldest
# Windows the file is said to start on.
imports=$(dirname "$0")/imports.txt
oldest=$(sed -n 's/^# oldest //p' "$imports")
rank() { case $1 in nt4) echo 4 ;; 2000) echo 5 ;; xp) echo 6 ;; *) echo 99 ;; esac; }
while read -r dll function; do
  first=$(awk -v d="$dll" -v f="$function" '$1 == d && $2 == f {print $3}' "$imports")
  if [ -z "$first" ]; then
    fail "imports $dll $function, which tests/imports.txt does not list with the first Windows that has it"
  elif [ "$(rank "$first")" -gt "$(rank "$oldest")" ]; then
    fail "imports $dll $function, first in Windows $first: newer than the oldest Windows it starts on ($oldest)"
  fi
done < <(i686-w64-mingw32-objdump -p "$exe" |
  awk '/DLL Name:/ {dll = tolower($3); next} /^$/ {dll = ""} dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ {print dll, $3}')

# The seam's substitution points are empty in the shipped file: none of their call labels is in it.
grep -aq -e 'IPersistFile_Save' -e 'LookupIsWow64Process' -e 'IShellFolder_EnumObjects' "$exe" &&
  fail "test substitution compiled into the shipped file"

rc=$(mktemp)
trap 'rm -f "$rc"' EXIT
i686-w64-mingw32-windres -i "$exe" -O rc -o "$rc" || fail "resources cannot be read"

for guid in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
            4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
            8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -Fq "supportedOS Id=\"\"{$guid}\"\"" "$rc" || fail "manifest lacks supportedOS $guid"
done
grep -Fq 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""' "$rc" || fail "manifest execution level"

if [ "$failures" -eq 0 ]; then echo "veskreg.exe: PE32 GUI, Windows imports only, no test substitution, its manifest"; fi
exit $((failures != 0))

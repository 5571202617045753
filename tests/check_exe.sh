#!/usr/bin/env bash
# What the shipped file must be: a 32-bit GUI program importing only Windows' own DLLs,
# carrying its manifest, version block and string table. Reads the resources back out
# of the built file.
set -u
exe=${1:?usage: check_exe.sh path/to/veskreg.exe}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$exe" ] || { echo "FAIL: $exe is missing (build the win32 preset first)"; exit 1; }

file -b "$exe" | grep -q '^PE32 executable (GUI) Intel 80386' || fail "not a PE32 i386 GUI program: $(file -b "$exe")"

# Windows' own DLLs only: no MinGW runtime (libgcc, libstdc++, libwinpthread) beside it.
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|winspool\.drv|msvcrt|shlwapi|uxtheme|version)(\.dll)?$'
while read -r dll; do
  echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed" || fail "imports $dll"
done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p')

rc=$(mktemp)
trap 'rm -f "$rc"' EXIT
i686-w64-mingw32-windres -i "$exe" -O rc -o "$rc" || fail "resources cannot be read"

expect_line() { grep -Fxq -- "$1" "$rc" || fail "resource line missing: $1"; }
expect_line '  2, "Vesk Harrow Systems"'
expect_line '  11, "A system error 126 occurred that prevented Folyant from being installed.  See help for steps to resolve the issue."'
expect_line '  12, "The Folyant installation failed because the spooler service is not running.\nStart the spooler service and run the installation again."'
expect_line '  13, "%s error %d\n\nPlease send this error to support@veskharrow.example."'
expect_line '  18, "%s printer created."'
expect_line '  19, "Printer named %s already exists."'
expect_line '  20, "Printer name %s is not valid."'
expect_line '      VALUE "ProductName", "Folyant"'
expect_line '      VALUE "ProductVersion", "10.0.31"'
expect_line '      VALUE "FileVersion", "10.0.31"'
expect_line ' FILEVERSION 10, 0, 31, 0'

for guid in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
            4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
            8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -Fq "supportedOS Id=\"\"{$guid}\"\"" "$rc" || fail "manifest lacks supportedOS $guid"
done
grep -Fq 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""' "$rc" || fail "manifest execution level"

if [ "$failures" -eq 0 ]; then echo "veskreg.exe: PE32 GUI, Windows imports only, manifest, version block and string table as shipped"; fi
exit $((failures != 0))

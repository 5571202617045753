#!/usr/bin/env bash
# Wine prefixes for the Wine tests and scripts/run.sh: one cached template,
# cheap copies of it per run.
#
#   wine_prefix.sh template DIR          make DIR the template (no-op when it is current)
#   wine_prefix.sh copy TEMPLATE DEST    fresh prefix DEST from TEMPLATE
#   wine_prefix.sh winver PREFIX VER     emulated Windows version (winxp, win7, win10, nt40, ...)
#   wine_prefix.sh stop PREFIX           stop that prefix's wineserver, and only that one
#   wine_prefix.sh stage PREFIX          the placeholder product files (scripts/staged_files.txt)
#   wine_prefix.sh monitor PREFIX DLL    DLL as the product's port monitor "folyantm7.dll"
set -euo pipefail

quiet_wine() { WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"; }

make_template() {
    local dir=$1 want tmp
    mkdir -p "$(dirname "$dir")"
    # Parallel test processes share the template: the first one builds it, the rest wait.
    exec 9>"$dir.lock"
    flock 9
    want="$(wine --version) (no crash dialog, no menu builder)"
    if [[ -f $dir/.veskreg-template && $(cat "$dir/.veskreg-template") == "$want" ]]; then
        return 0
    fi
    rm -rf "$dir"
    tmp="$dir.new.$$"
    rm -rf "$tmp"
    echo "wine_prefix: creating template prefix $dir for $want (about 30 s)" >&2
    if ! WINEARCH=win64 WINEPREFIX=$tmp quiet_wine wineboot -i >"$tmp.log" 2>&1; then
        cat "$tmp.log" >&2
        echo "wine_prefix: wineboot failed" >&2
        return 1
    fi
    # Without a window manager every closing window would stall for about two seconds.
    WINEPREFIX=$tmp quiet_wine wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
    # A program that crashes ends with its backtrace instead of waiting in a crash dialog.
    WINEPREFIX=$tmp quiet_wine wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null
    # Wine starts its menu builder on every shortcut saved; it holds the file open for a
    # while, so a shortcut deleted right after its creation could stay behind.
    WINEPREFIX=$tmp quiet_wine wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d "" /f \
        >/dev/null
    WINEPREFIX=$tmp wineserver -w
    echo "$want" >"$tmp/.veskreg-template"
    rm -f "$tmp.log"
    mv "$tmp" "$dir"
}

copy_prefix() {
    local src=$1 dst=$2 e
    [[ -f $src/.veskreg-template ]] || { echo "wine_prefix: $src is not a template" >&2; return 1; }
    rm -rf "$dst"
    mkdir -p "$dst/drive_c/windows"
    for e in "$src"/.[!.]* "$src"/*; do
        [[ ${e##*/} == drive_c ]] || cp -a "$e" "$dst/"
    done
    for e in "$src"/drive_c/*; do
        [[ ${e##*/} == windows ]] || cp -a "$e" "$dst/drive_c/"
    done
    # The big read-only folders are hard-linked; new files written there stay in the copy.
    for e in "$src"/drive_c/windows/*; do
        case ${e##*/} in
            system32 | syswow64 | winsxs) cp -al "$e" "$dst/drive_c/windows/" ;;
            *) cp -a "$e" "$dst/drive_c/windows/" ;;
        esac
    done
    # The spooler writes into its own folder: give the copy real files there.
    rm -rf "$dst/drive_c/windows/system32/spool"
    cp -a "$src/drive_c/windows/system32/spool" "$dst/drive_c/windows/system32/"
}

# Placeholder product components in the driver directories, the list the Wine tests
# stage too.
stage_files() {
    local drivers=$1/drive_c/windows/system32/spool/drivers list d f
    list=$(dirname "${BASH_SOURCE[0]}")/../scripts/staged_files.txt
    mapfile -t dirs < <(sed -n 's/^dir //p' "$list")
    mapfile -t files < <(sed -n 's/^file //p' "$list")
    for d in "${dirs[@]}"; do
        for f in "${files[@]}"; do
            mkdir -p "$(dirname "$drivers/$d/$f")"
            rm -f "$drivers/$d/$f"
            echo "placeholder $f" >"$drivers/$d/$f"
        done
    done
}

# Wine's spooler loads the monitor DLL it registers in the calling (32-bit) process,
# from syswow64; system32 gets a copy for the other view.
stage_monitor() {
    local prefix=$1 dll=$2 dir
    for dir in system32 syswow64; do
        rm -f "$prefix/drive_c/windows/$dir/folyantm7.dll"
        cp "$dll" "$prefix/drive_c/windows/$dir/folyantm7.dll"
    done
}

# Wine wants absolute prefix paths.
absolute() { [[ $1 == /* ]] && echo "$1" || echo "$PWD/$1"; }

case ${1:-} in
    template) make_template "$(absolute "$2")" ;;
    copy) copy_prefix "$(absolute "$2")" "$(absolute "$3")" ;;
    winver) WINEPREFIX=$(absolute "$2") quiet_wine wine reg add 'HKCU\Software\Wine' /v Version /d "$3" /f >/dev/null ;;
    stop) WINEPREFIX=$(absolute "$2") wineserver -k 2>/dev/null || true ;;
    stage) stage_files "$(absolute "$2")" ;;
    monitor) stage_monitor "$(absolute "$2")" "$3" ;;
    *)
        echo "usage: $0 template DIR | copy TEMPLATE DEST | winver PREFIX VERSION | stop PREFIX | stage PREFIX | monitor PREFIX DLL" >&2
        exit 2
        ;;
esac

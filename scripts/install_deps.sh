#!/usr/bin/env bash
# Installs what building and testing veskreg needs on Debian 12, once: the native
# toolchain and test libraries, MinGW-w64 for the real program, and 32-bit Wine with
# Xvfb to run it. Does nothing when everything is there.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest file
          mingw-w64 wine wine32 wine64 xvfb xauth x11-utils imagemagick locales)
# The double-byte code pages the name rules are tested in: Wine takes the ANSI code page
# from LC_ALL, and without the Linux locale it cannot name files outside ASCII.
locales=(ja_JP zh_TW)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
missing_locale() { ! locale -a 2>/dev/null | grep -qix "$1.utf-\?8"; }
need_locales=0
for name in "${locales[@]}"; do missing_locale "$name" && need_locales=1; done
[ ${#missing[@]} -eq 0 ] && [ $need_locales -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install_deps: missing ${missing[*]} ${locales[*]/%/.UTF-8}; run as root (or install them) first" >&2
  exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "install_deps: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
for name in "${locales[@]}"; do
  if missing_locale "$name"; then
    echo "install_deps: making the locale $name.UTF-8"
    localedef -i "$name" -f UTF-8 "$name.UTF-8"
  fi
done

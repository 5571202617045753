#!/usr/bin/env bash
# Installs what building and testing veskreg needs on Debian 12, once: the native
# toolchain and test libraries, MinGW-w64 for the real program, and 32-bit Wine with
# Xvfb to run it. Does nothing when everything is there.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest file icoutils
          mingw-w64 wine wine32 wine64 xvfb xauth x11-utils imagemagick)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install_deps: missing ${missing[*]}; run as root (or install them) first" >&2
  exit 1
fi
echo "install_deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

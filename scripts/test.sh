#!/usr/bin/env bash
# Every test: installs what is missing, builds the real program and the Windows test
# programs (win32 preset) and the native fuzzers (linux preset), then runs the test
# programs under Wine, the fuzzers briefly, and the checks of the shipped veskreg.exe.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install_deps.sh

cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset linux >/dev/null
cmake --build --preset linux

ctest --preset linux --output-on-failure -j "${VESKREG_TEST_JOBS:-2}" "$@"

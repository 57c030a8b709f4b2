#!/bin/bash
# Builds Ludivar and runs its tests (installs missing build dependencies first).
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/deps.sh
BUILD="${LUDIVAR_BUILD_DIR:-build}"
TYPE=RelWithDebInfo
EXTRA=()
if [ "${LUDIVAR_SANITIZE:-0}" = 1 ]; then EXTRA=(-DLUDIVAR_SANITIZE=ON); TYPE=Debug; fi
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=$TYPE "${EXTRA[@]}" >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The window tests need a display: an Xvfb of their own when none is there.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"
else
  ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"
fi

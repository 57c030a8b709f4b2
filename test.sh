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
# The web page's test drives Chromium through puppeteer-core (tests/web/package-lock.json).
if [ ! -d tests/web/node_modules ]; then (cd tests/web && npm ci --no-audit --no-fund); fi
# Leaks are checked; the caches of the font and window libraries are listed in .ci/lsan.supp.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The window tests need a display: an Xvfb of their own when none is there.
RUN=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then RUN=(xvfb-run -a -s "-screen 0 1280x1024x24"); fi
if [ "${LUDIVAR_SANITIZE:-0}" = 1 ]; then
  # The X and GL drivers that SDL loads for a real window are unloaded at exit and
  # cannot be named to the leak checker: the window tests run without it.
  "${RUN[@]}" ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" -E '^Window'
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 "${RUN[@]}" ctest --test-dir "$BUILD" --output-on-failure -R '^Window'
else
  "${RUN[@]}" ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"
fi

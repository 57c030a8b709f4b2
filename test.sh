#!/bin/bash
# Builds Ludivar and runs its tests (installs missing build dependencies first).
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/deps.sh
BUILD="${LUDIVAR_BUILD_DIR:-build}"
TYPE=RelWithDebInfo
EXTRA=()
if [ "${LUDIVAR_SANITIZE:-0}" = 1 ]; then EXTRA=(-DLUDIVAR_SANITIZE=ON); TYPE=Debug; fi
# In CI a warning is an error, and a test whose component is missing fails instead of skipping.
if [ -n "${CI:-}" ] && [ "${CI}" != 0 ] && [ "${CI}" != false ]; then
  EXTRA+=(-DLUDIVAR_WERROR=ON)
  export LUDIVAR_REQUIRE_COMPONENTS="${LUDIVAR_REQUIRE_COMPONENTS:-1}"
else
  EXTRA+=(-DLUDIVAR_WERROR=OFF)
fi
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=$TYPE "${EXTRA[@]}" >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
# Leaks are checked; the caches of the font and window libraries are listed in .ci/lsan.supp.
# A game's program runs behind the kernel's wall, which lets it read the temporary folder
# but not this tree: the leak checker reads its copy of the list from there at exit.
SUPP="$(mktemp "${TMPDIR:-/tmp}/ludivar-lsan-XXXXXX")"
trap 'rm -f "$SUPP"' EXIT
cp .ci/lsan.supp "$SUPP"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$SUPP:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The window tests need a display: an Xvfb of their own when none is there.
RUN=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then RUN=(xvfb-run -a -s "-screen 0 1280x1024x24"); fi
LOG="$BUILD/ctest-output.txt"
: > "$LOG"
if [ "${LUDIVAR_SANITIZE:-0}" = 1 ]; then
  # The X and GL drivers that SDL loads for a real window are unloaded at exit and
  # cannot be named to the leak checker: the window tests run without it.
  "${RUN[@]}" ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" -E '^Window' | tee -a "$LOG"
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 "${RUN[@]}" ctest --test-dir "$BUILD" \
    --output-on-failure -R '^Window' | tee -a "$LOG"
else
  "${RUN[@]}" ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" | tee -a "$LOG"
fi
# A skip is a test that did not test: say how many there were, and which.
skipped=$(grep -c '(Skipped)' "$LOG" || true)
disabled=$(grep -c '(Disabled)' "$LOG" || true)
echo "== skipped tests: $skipped; disabled: $disabled =="
grep -E '\((Skipped|Disabled)\)' "$LOG" | sed 's/^/  /' || true

#!/bin/bash
# Builds Ludivar if needed and runs it on its embedded defaults with the demo game.
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/deps.sh
BUILD="${LUDIVAR_BUILD_DIR:-build}"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null; fi
cmake --build "$BUILD" -j"$(nproc)" >/dev/null
exec "$BUILD/ludivar" "$@"

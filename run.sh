#!/bin/bash
# Builds Ludivar if needed and runs it on its embedded defaults with the demo game.
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/deps.sh
BUILD="${LUDIVAR_BUILD_DIR:-build}"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  echo "Preparando a compilação do Ludivar..."
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
echo "Compilando o Ludivar (a primeira vez leva alguns minutos)..."
cmake --build "$BUILD" -j"$(nproc)" -- --no-print-directory | grep -E '^\[ *[0-9]+%\] Built target|error' || true
exec "$BUILD/ludivar" "$@"

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
if ! cmake --build "$BUILD" -j"$(nproc)" > "$BUILD/build.log" 2>&1; then
  tail -30 "$BUILD/build.log"
  echo "A compilação falhou; veja $BUILD/build.log"
  exit 1
fi
exec "$BUILD/ludivar" "$@"

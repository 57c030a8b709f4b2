#!/bin/bash
# Builds what running Ludivar needs (the program, its voice data and the demo games)
# and runs it; installs only the packages that building and running need.
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/deps.sh run
BUILD="${LUDIVAR_BUILD_DIR:-build}"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  echo "Preparando a compilação do Ludivar..."
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
echo "Compilando o Ludivar (a primeira vez leva alguns minutos)..."
# One line each time the percentage moves; the whole output goes to the log.
set +e
cmake --build "$BUILD" -j"$(nproc)" --target ludivar demo_game 2>&1 | tee "$BUILD/build.log" | {
  last=""
  while IFS= read -r line; do
    if [[ "$line" =~ ^\[\ *([0-9]+)%\] ]] && [ "${BASH_REMATCH[1]}" != "$last" ]; then
      last=${BASH_REMATCH[1]}
      echo "  $last% ${line#*] }"
    fi
  done
}
status=${PIPESTATUS[0]}
set -e
if [ "$status" != 0 ]; then
  tail -30 "$BUILD/build.log"
  echo "A compilação falhou; veja $BUILD/build.log"
  exit 1
fi
echo "Pronto."
exec "$BUILD/ludivar" "$@"

#!/usr/bin/env bash
# Builds Tarvelin and starts it. Profiles (*.cfp) are read from the folder of
# the executable: build/ unless TARVELIN_BUILD_DIR says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh run
build=${TARVELIN_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target Tarvelin
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Tarvelin es un programa de escritorio y no hay pantalla (DISPLAY) en esta sesión." >&2
    echo "Ejecútelo desde un escritorio, o con una pantalla virtual: xvfb-run -a $0" >&2
    exit 1
fi
exec "$build/Tarvelin"

#!/usr/bin/env bash
# Measures the render mode: one `quorvel --render device-done x.png` process, and one device
# face drawn into an image. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/render.sh [runs (30)] [folder to keep every sample's picture in]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
# The configuration stops without the fonts.
bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel render_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bin/render_bench" "$build/bin/quorvel" "$build/resources/fonts" "${1:-30}" ${2:+"$2"}

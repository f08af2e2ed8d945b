#!/usr/bin/env bash
# Measures the paint cost of the drawing kit's pieces (keys, pads, LEDs, labels, grain, mascot)
# on the offscreen platform and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/drawing-kit.sh [repetitions (500)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
# The configuration stops without the fonts.
bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target drawing_kit_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bin/drawing_kit_bench" "$build/resources/fonts" "${1:-500}"

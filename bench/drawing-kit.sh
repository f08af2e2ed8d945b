#!/usr/bin/env bash
# Measures the paint cost of the drawing kit's pieces (keys, pads, LEDs, labels, grain, mascot)
# on the offscreen platform and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/drawing-kit.sh [repetitions (500)]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build drawing_kit_bench
QT_QPA_PLATFORM=offscreen "$build/bin/drawing_kit_bench" "$build/resources/fonts" "${1:-500}"

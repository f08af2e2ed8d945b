#!/usr/bin/env bash
# Measures the render mode: one `quorvel --render device-done x.png` process, and one device
# face drawn into an image. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/render.sh [runs (30)] [folder to keep every sample's picture in]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build quorvel render_bench
QT_QPA_PLATFORM=offscreen "$build/bin/render_bench" "$build/bin/quorvel" "$build/resources/fonts" "${1:-30}" ${2:+"$2"}

#!/usr/bin/env bash
# Configures and builds everything into build/ (binaries in build/bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"

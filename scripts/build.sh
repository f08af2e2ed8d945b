#!/usr/bin/env bash
# Configures and builds into build/ (binaries in build/bin/): every target (the tests too), or
# only the targets named, as `scripts/run.sh` builds `runtime` (the app, the helper and the
# files they read at run time).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build" -G Ninja "${launcher[@]}" >/dev/null
targets=()
if (($#)); then targets=(--target "$@"); fi
cmake --build "$build" -j "$(nproc)" "${targets[@]}"

#!/usr/bin/env bash
# Sets up the machine, builds, runs every test through CTest, then the fuzz targets for a
# bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
build=${QUORVEL_BUILD_DIR:-build}
# Tests that need a display or a session bus start their own (xvfb-run, dbus-run-session).
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 300)
bash scripts/fuzz.sh

#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
build=${QUORVEL_BUILD_DIR:-build}
cd "$build"
# Tests that need a display or a session bus start their own (xvfb-run, dbus-run-session).
ctest --output-on-failure -j "$(nproc)" --timeout 300

#!/usr/bin/env bash
# Benchmarks the running app (idle memory and CPU with no sessions and with three running
# sessions, time from an accepted POST to the saved finished run) on a virtual display and a
# private session bus, and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/app-model.sh [idle seconds (60)] [saves (50)]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build quorvel quorvel-hook app_model_bench
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/app_model_bench"
# The bench gives the app its own runtime folder as well.
in_throwaway_home xvfb-run -a dbus-run-session -- "$bench" "$app" "${1:-60}" "${2:-50}"

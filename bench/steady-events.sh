#!/usr/bin/env bash
# Benchmarks a steady stream of hook events to one session against the same events in one
# burst, with the device window shown, headless (offscreen) on a private session bus with a
# throw-away home, and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/steady-events.sh [events a second (100)] [seconds (20)]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build quorvel quorvel-hook steady_events_bench
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/steady_events_bench"
in_throwaway_home env QT_QPA_PLATFORM=offscreen dbus-run-session -- "$bench" "$app" "${1:-100}" "${2:-20}"

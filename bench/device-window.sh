#!/usr/bin/env bash
# Benchmarks the app with the device window on screen (idle, a running session, the done
# motion) on a virtual display with a window manager and a private session bus, and prints a
# table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/device-window.sh [idle seconds (30)] [running seconds (30)] [one-shot rounds (5)]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build quorvel quorvel-hook device_window_bench
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/device_window_bench"
in_throwaway_home env QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1600x1000x24" dbus-run-session -- sh -c \
    'openbox >/dev/null 2>&1 & wm=$!; "$0" "$@"; status=$?; kill $wm; exit $status' \
    "$bench" "$app" "${1:-30}" "${2:-30}" "${3:-5}"

#!/usr/bin/env bash
# Benchmarks the app with the device window on screen (idle, a running session, the done
# motion) on a virtual display with a window manager and a private session bus, and prints a
# table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/device-window.sh [idle seconds (30)] [running seconds (30)] [one-shot rounds (5)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
# The configuration stops without the fonts.
bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel quorvel-hook device_window_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/device_window_bench"
# As in app-model.sh: a throw-away home and runtime folder for whatever the private bus starts.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
  XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1600x1000x24" dbus-run-session -- sh -c \
    'openbox >/dev/null 2>&1 & wm=$!; "$0" "$@"; status=$?; kill $wm; exit $status' \
    "$bench" "$app" "${1:-30}" "${2:-30}" "${3:-5}"

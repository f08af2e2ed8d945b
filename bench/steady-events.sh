#!/usr/bin/env bash
# Benchmarks a steady stream of hook events to one session against the same events in one
# burst, with the device window shown, headless (offscreen) on a private session bus with a
# throw-away home, and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/steady-events.sh [events a second (100)] [seconds (20)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
# The configuration stops without the fonts.
bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel quorvel-hook steady_events_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/steady_events_bench"
# As in app-model.sh: a throw-away home and runtime folder for whatever the private bus starts.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
  XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen \
  dbus-run-session -- "$bench" "$app" "${1:-100}" "${2:-20}"

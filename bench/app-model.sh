#!/usr/bin/env bash
# Benchmarks the running app (idle memory and CPU with no sessions and with three running
# sessions, time from an accepted POST to the saved finished run) on a virtual display and a
# private session bus, and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/app-model.sh [idle seconds (60)] [saves (50)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel quorvel-hook app_model_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/app_model_bench"
# Services the private bus starts (the keyring) get a throw-away home, like the app itself.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
  xvfb-run -a dbus-run-session -- "$bench" "$app" "${1:-60}" "${2:-50}"

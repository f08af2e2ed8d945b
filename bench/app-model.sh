#!/usr/bin/env bash
# Benchmarks the running app (idle memory and CPU with no sessions and with three running
# sessions, time from an accepted POST to the saved finished run) on a virtual display and a
# private session bus, and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/app-model.sh [idle seconds (60)] [saves (50)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
# The configuration stops without the fonts.
bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel quorvel-hook app_model_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/app_model_bench"
# Services the private bus starts (the keyring) get a throw-away home, like the app itself,
# and a private runtime folder, so that neither they nor the app (which keeps its
# single-instance lock there) ever meet a Quorvel or a keyring the user runs: the measured app
# would quietly end as a second copy. The bench gives the app its own runtime folder as well.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
  XDG_RUNTIME_DIR="$home/runtime" \
  xvfb-run -a dbus-run-session -- "$bench" "$app" "${1:-60}" "${2:-50}"

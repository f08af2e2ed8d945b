#!/usr/bin/env bash
# Benchmarks what the app loses when it is ended (SIGTERM with a backlog of accepted events or
# during a spool drain, SIGKILL during a spool drain) and how long it takes to exit, what idle
# connections cost it, the handling rate and CPU per 1,000 events with 10, 10,000 and 20,000
# sessions, how long SIGTERM takes while a push waits on a dead relay, and how much it logs
# without iCloud, on a private session bus with a keyring of its own, and prints a table.
# Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/reliability.sh [backlog events (3000)] [spool files (5000)] [idle connections (3000)]
#                        [events per session count (20000)] [seconds of logging (60)] ["rates"]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
# The configuration stops without the fonts.
bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel quorvel-hook reliability_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/reliability_bench"
# Services the private bus starts get a throw-away home and runtime folder, as in app-model.sh.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
  XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen \
  dbus-run-session -- sh -c 'echo -n pw | gnome-keyring-daemon --unlock --components=secrets >/dev/null; exec "$@"' \
  keyring "$bench" "$app" "${1:-3000}" "${2:-5000}" "${3:-3000}" "${4:-20000}" "${5:-60}" "${6:-all}"

#!/usr/bin/env bash
# Benchmarks the event road on loopback (helper vs curl, spool path, server throughput, no
# loss at 1,000 requests/s) and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
runs=${1:-200}
# The configuration stops without the fonts.
bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel-hook event_road_bench -j "${QUORVEL_JOBS:-3}" >/dev/null
command -v curl >/dev/null || { echo "bench: curl is needed as the reference" >&2; exit 1; }
"$build/bin/event_road_bench" "$build/bin/quorvel-hook" "$runs"

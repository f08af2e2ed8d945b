#!/usr/bin/env bash
# Benchmarks the event road on loopback (helper vs curl, spool path, server throughput, no
# loss at 1,000 requests/s) and prints a table. Builds into $QUORVEL_BUILD_DIR (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
runs=${1:-200}
bench_build quorvel-hook event_road_bench
command -v curl >/dev/null || { echo "bench: curl is needed as the reference" >&2; exit 1; }
"$build/bin/event_road_bench" "$build/bin/quorvel-hook" "$runs"

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
source bench/bench-setup.sh
bench_build quorvel quorvel-hook reliability_bench
app="$(pwd)/$build/bin/quorvel"
bench="$(pwd)/$build/bin/reliability_bench"
in_throwaway_home env QT_QPA_PLATFORM=offscreen dbus-run-session -- sh -c 'echo -n pw | gnome-keyring-daemon --unlock --components=secrets >/dev/null; exec "$@"' \
  keyring "$bench" "$app" "${1:-3000}" "${2:-5000}" "${3:-3000}" "${4:-20000}" "${5:-60}" "${6:-all}"

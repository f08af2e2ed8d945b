#!/usr/bin/env bash
# Prints the figures of the event-order process tests: runs with a title and a duration out of
# all runs for a Stop answered 503 then a live SessionEnd, a restart mid-run, 1,200 sessions
# stopped in start order, a cold start by 32 parallel helpers, a Stop spooled while its prompt
# waits in the server's queue and a prompt spooled with a stamp a year ahead; and the
# Stop-to-row time and log bytes per event with 20,000 stray names and 1,000 folders left in
# the spool against an empty one (the real helper and app, a throw-away home, a private
# session bus). Builds into $QUORVEL_BUILD_DIR (default build).
#   bench/event-order.sh [sessions for the crowded table (1200)]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build quorvel quorvel-hook app_event_order_tests
tests="$(pwd)/$build/bin/tests/app_event_order_tests"
in_throwaway_home --own-data-dirs env QT_QPA_PLATFORM=offscreen QUORVEL_LOG_STDERR=0 \
  QUORVEL_ORDER_SESSIONS="${1:-1200}" dbus-run-session -- "$tests" 2>/dev/null | grep -E '^figure:|FAILED|OK' || true

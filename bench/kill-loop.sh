#!/usr/bin/env bash
# Prints the figure of the kill loop: the real app killed with SIGKILL again and again (50 times
# unless told) under a stream of about 40 events a second from four sessions, each run the real
# helper's, and how many runs the finished list recorded twice (a throw-away home, a private
# session bus). The CTest entry runs the same loop with 12 kills. Builds into
# $QUORVEL_BUILD_DIR (default build).
#   bench/kill-loop.sh [kills (50)]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build quorvel quorvel-hook app_saved_sessions_tests
tests="$(pwd)/$build/bin/tests/app_saved_sessions_tests"
in_throwaway_home --own-data-dirs env QT_QPA_PLATFORM=offscreen QUORVEL_LOG_STDERR=0 \
  QUORVEL_KILL_ROUNDS="${1:-50}" dbus-run-session -- "$tests" --gtest_filter='*KilledAgainAndAgain*' 2>/dev/null |
  grep -E '^figure:|FAILED|OK|recorded' || true

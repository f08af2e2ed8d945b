#!/usr/bin/env bash
# Prints how many hook events the helper keeps with the app paused (SIGSTOP) when the payload's
# input ends late: for each end of input from 0.0 to 0.9 s after the helper starts (and 1.3 s,
# past its input deadline), the runs whose event was spooled, given up with a log line, or lost
# without one (the real helper and app, a throw-away home, a private session bus). Builds into
# $QUORVEL_BUILD_DIR (default build).
#   bench/late-input.sh [runs per step (10)] [helper to measure (the built one)]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
bench_build quorvel quorvel-hook app_paused_helper_tests
tests="$(pwd)/$build/bin/tests/app_paused_helper_tests"
helper=""
[ $# -ge 2 ] && helper=$(realpath "$2")
QUORVEL_LATE_INPUT_RUNS="${1:-10}" QUORVEL_LATE_INPUT_HOOK="$helper" QT_QPA_PLATFORM=offscreen QUORVEL_LOG_STDERR=0 \
  bash tests/support/hermetic.sh "$tests" 2>/dev/null | grep -E '^figure:|FAILED|OK' || true

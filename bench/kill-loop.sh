#!/usr/bin/env bash
# Prints the figure of the kill loop: the real app killed with SIGKILL again and again (50 times
# unless told) under a stream of about 40 events a second from four sessions, each run the real
# helper's, and how many runs the finished list recorded twice (a throw-away home, a private
# session bus). The CTest entry runs the same loop with 12 kills. Builds into
# $QUORVEL_BUILD_DIR (default build).
#   bench/kill-loop.sh [kills (50)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvel quorvel-hook app_saved_sessions_tests -j "${QUORVEL_JOBS:-3}" >/dev/null
tests="$(pwd)/$build/bin/tests/app_saved_sessions_tests"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
  XDG_RUNTIME_DIR="$home/runtime" XDG_DATA_DIRS="$home/share" QT_QPA_PLATFORM=offscreen QUORVEL_LOG_STDERR=0 \
  QUORVEL_KILL_ROUNDS="${1:-50}" dbus-run-session -- "$tests" --gtest_filter='*KilledAgainAndAgain*' 2>/dev/null |
  grep -E '^figure:|FAILED|OK|recorded' || true

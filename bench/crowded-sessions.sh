#!/usr/bin/env bash
# Benchmarks the app with a crowded sessions file: for each count, a throw-away home whose
# `sessions.json` holds that many sessions with a run in progress (saved a minute ago), then
# the time from the start until the app serves, the app's CPU while idle (from /proc/PID/stat
# over the given seconds), its memory then, and the time SIGTERM takes to end it. Runs the
# built app offscreen on a private session bus and prints a table.
#   bench/crowded-sessions.sh [idle seconds (30)] [session counts (10 10000 100000)...]
# QUORVEL_APP names another build of the app to measure (an older one, to compare).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
app=${QUORVEL_APP:-"$(pwd)/$build/bin/quorvel"}
[ -x "$app" ] || { echo "build the app first: bash scripts/build.sh" >&2; exit 1; }
idle=${1:-30}
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10 10000 100000)

ticks=$(getconf CLK_TCK)
now_ms() { date +%s%3N; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# The sessions file: `count` sessions, each with a run started two minutes ago (far from the
# long-run alert, which would make the measure one of 10,000 alerts) and its last event a
# minute or two ago (times in seconds since 2001-01-01 UTC).
write_sessions() {
  local file=$1 count=$2
  awk -v count="$count" -v now="$(date +%s)" 'BEGIN {
    reference = now - 978307200
    printf "{\"savedAt\":%d,\"nextNumber\":%d,\"sessions\":[", reference - 60, count + 1
    for (i = 1; i <= count; i++) {
      run = sprintf("{\"startedAt\":%d,\"title\":\"fix the build %d\"}", reference - 120, i)
      printf "%s{\"id\":\"session-%d\",\"number\":%d,\"cwd\":\"/work/project-%d\",\"state\":{\"running\":{\"_0\":%s}},\"run\":%s,\"lastEventAt\":%d}", \
        (i > 1 ? "," : ""), i, i, i, run, run, reference - 60 - (i % 50)
    }
    printf "]}"
  }' >"$file"
}

measure() {
  local count=$1 home
  home=$(mktemp -d)
  mkdir -m 700 "$home/runtime"
  local support="$home/Library/Application Support/Quorvel"
  mkdir -p "$support"
  chmod -R 700 "$home/Library"
  write_sessions "$support/sessions.json" "$count"
  chmod 600 "$support/sessions.json"
  local log="$home/quorvel.log"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
    XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen QUORVEL_LOG_STDERR=0 QUORVEL_LOG_FILE="$log" \
    dbus-run-session -- bash -c '
      app=$1 idle=$2 ticks=$3 log=$4 count=$5
      now_ms() { date +%s%3N; }
      cpu_ticks() { awk "{ print \$14 + \$15 }" "/proc/$1/stat"; }
      started=$(now_ms)
      "$app" >/dev/null 2>&1 &
      pid=$!
      until grep -q "Listening on 127.0.0.1" "$log" 2>/dev/null; do
        kill -0 "$pid" 2>/dev/null || { echo "the app ended early" >&2; exit 1; }
        sleep 0.02
      done
      serving=$(( $(now_ms) - started ))
      sleep 5  # what follows the start (a first tick, a first save) is not idle time
      before=$(cpu_ticks "$pid")
      sleep "$idle"
      after=$(cpu_ticks "$pid")
      rss=$(awk "/^VmRSS:/ { print \$2 }" "/proc/$pid/status")
      stopping=$(now_ms)
      kill -TERM "$pid"
      wait "$pid" || true
      stopped=$(( $(now_ms) - stopping ))
      awk -v count="$count" -v serving="$serving" -v cpu=$(( after - before )) -v ticks="$ticks" -v idle="$idle" \
        -v rss="$rss" -v stopped="$stopped" "BEGIN {
          printf \"| %d | %.2f s | %.1f %% | %d MB | %.2f s |\n\", count, serving / 1000, 100 * cpu / ticks / idle, rss / 1024, stopped / 1000
        }"
    ' crowded "$app" "$idle" "$ticks" "$log" "$count"
  rm -rf "$home"
}

echo "| sessions in the file | start to serving | idle CPU (one core) | memory | SIGTERM to exit |"
echo "|---|---|---|---|---|"
for count in "${counts[@]}"; do measure "$count"; done

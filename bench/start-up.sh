#!/usr/bin/env bash
# Start-up against its baselines in one run: the helper's size (stripped) and its time per event
# against `sh -c 'exec /bin/true < payload'`, the app's start to accepting (first and later
# start) and a render against the Qt floor. Builds into $QUORVEL_BUILD_DIR (default build).
# More `--helper`/`--app` binaries may follow (an earlier build, say) to be measured beside.
#   bench/start-up.sh [runs (40)] [--helper <quorvel-hook>]... [--app <quorvel>]...
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench-setup.sh
runs=40
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then runs=$1; shift; fi
bench_build quorvel quorvel-hook qt_floor startup_bench
bin="$(pwd)/$build/bin"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

helpers=("$bin/quorvel-hook")
apps=("$bin/quorvel")
while (($#)); do
  case "$1" in
    --helper) helpers+=("$(realpath "$2")"); shift 2 ;;
    --app) apps+=("$(realpath "$2")"); shift 2 ;;
    *) echo "bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| helper | stripped size |"
echo "|---|---|"
for helper in "${helpers[@]}"; do
  strip -o "$scratch/stripped" "$helper"
  echo "| $helper | $(stat -c %s "$scratch/stripped") bytes |"
done
echo
arguments=(--floor "$bin/qt_floor" --runs "$runs")
for helper in "${helpers[@]}"; do arguments+=(--helper "$helper"); done
for app in "${apps[@]}"; do arguments+=(--app "$app"); done
# A private session bus and no display, as the app runs headless; a throw-away home and runtime
# folder for every start (the bench makes them), so a Quorvel the user runs is never met.
# The apps' own notes (headless, no sound device) go to a log, shown only when the bench fails.
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$scratch" XDG_RUNTIME_DIR="$scratch" \
  dbus-run-session -- "$bin/startup_bench" "${arguments[@]}" 2>"$scratch/notes" || { cat "$scratch/notes" >&2; exit 1; }
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) and
# runs each for a bounded time, all at once; fails when any of them finds a crash. Inputs
# that crashed once live in tests/fuzz/regressions/<name>/ and are replayed first.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${QUORVEL_FUZZ_SECONDS:-30}
build=${QUORVEL_FUZZ_BUILD_DIR:-build-fuzz}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja "${launcher[@]}" \
  -DQUORVEL_BUILD_FUZZERS=ON -DQUORVEL_BUILD_APP=OFF -DQUORVEL_BUILD_TESTS=OFF >/dev/null
if ! cmake --build "$build" --target help | grep -q '^fuzzers'; then
  echo "fuzz: no fuzz targets"
  exit 0
fi
cmake --build "$build" --target fuzzers -j "$(nproc)"

pids=()
names=()
for binary in "$build"/bin/fuzz/fuzz_*; do
  name=${binary##*/fuzz_}
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/regressions/$name" ] && seeds+=("tests/fuzz/regressions/$name")
  [ -d "tests/fuzz/seeds/$name" ] && seeds+=("tests/fuzz/seeds/$name")
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/crash-$name-" "$corpus" "${seeds[@]}" >"$build/fuzz-$name.log" 2>&1 &
  pids+=($!)
  names+=("$name")
done
failed=0
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then
    echo "fuzz: ${names[$i]}: no crash in ${seconds} s"
  else
    echo "fuzz: ${names[$i]}: FAILED (log: $build/fuzz-${names[$i]}.log)"
    tail -40 "$build/fuzz-${names[$i]}.log"
    failed=1
  fi
done
exit $failed

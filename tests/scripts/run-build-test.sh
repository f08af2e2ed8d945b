#!/usr/bin/env bash
# What the README's run command builds before the app starts: the app, the helper and what
# they read at run time, and no test program, fuzz target or benchmark, which would keep a
# newcomer waiting several minutes for things the app never runs.
#
#   run-build-test.sh <source folder> <build folder>
set -euo pipefail
source=${1:?usage: run-build-test.sh <source folder> <build folder>}
build=${2:?usage: run-build-test.sh <source folder> <build folder>}
fail() { echo "run-build-test: $*" >&2; exit 1; }

# The run command builds through build.sh with the target named, never the whole tree.
build_line=$(grep -E '^[^#]*scripts/build\.sh' "$source/scripts/run.sh") || fail "scripts/run.sh does not build through scripts/build.sh"
read -r -a words <<<"$build_line"
targets=("${words[@]:2}")
[ "${#targets[@]}" -gt 0 ] || fail "scripts/run.sh builds every target: '$build_line'"

# Every command those targets take from a clean tree, as Ninja would run them.
commands=$(ninja -C "$build" -t commands "${targets[@]}") || fail "ninja knows no target ${targets[*]}"
if grep -E -- '-o bin/(tests|fuzz)/|bench|gtest|gmock' <<<"$commands" | head -n 5 | grep .; then
  fail "the run command's build makes tests, fuzz targets or benchmarks (above)"
fi
for needed in '-o bin/quorvel ' '-o bin/quorvel-hook ' 'resources/quorvel-hook' '--render-sounds' 'quorvel-icon-sizes '; do
  grep -q -F -- "$needed" <<<"$commands" || fail "the run command's build lacks what the app needs at run time: $needed"
done
echo "run-build-test: ${targets[*]}: $(wc -l <<<"$commands") commands, no test among them"

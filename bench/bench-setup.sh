# Sourced by the benchmark scripts, from the project's root: what each of them does before it
# measures. $build is the build folder ($QUORVEL_BUILD_DIR, default build).
build=${QUORVEL_BUILD_DIR:-build}

# Builds the targets named, configuring the build folder first if it has never been; the
# configuration stops without the app's fonts, so they are fetched first.
bench_build() {
  bash scripts/fetch-fonts.sh "$build/resources/fonts" >/dev/null
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja >/dev/null
  fi
  cmake --build "$build" --target "$@" -j "${QUORVEL_JOBS:-3}" >/dev/null
}

# Runs a command with a throw-away home and runtime folder, removed afterwards, so that the app
# measured and the services a private bus starts for it (the keyring) never meet a Quorvel or a
# keyring the user runs: the measured app would quietly end as a second copy. With
# --own-data-dirs the desktop's shared data (its launcher entries) is left out too. Its status
# is the command's.
in_throwaway_home() {
  local home status=0 data_dirs=${XDG_DATA_DIRS:-}
  home=$(mktemp -d)
  mkdir -m 700 "$home/runtime"
  if [ "${1:-}" = --own-data-dirs ]; then
    data_dirs="$home/share"
    shift
  fi
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" XDG_CACHE_HOME="$home/cache" \
    XDG_RUNTIME_DIR="$home/runtime" XDG_DATA_DIRS="$data_dirs" "$@" || status=$?
  rm -rf "$home"
  return "$status"
}

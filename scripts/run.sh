#!/usr/bin/env bash
# Sets up the machine, builds what the app needs to run (no test), and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh runtime
exec "${QUORVEL_BUILD_DIR:-build}/bin/quorvel" "$@"

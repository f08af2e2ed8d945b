#!/usr/bin/env bash
# Sets up the machine, builds, and starts the app.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec "${QUORVEL_BUILD_DIR:-build}/bin/quorvel" "$@"

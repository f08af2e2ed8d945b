#!/usr/bin/env bash
# Installs what building, running and testing Quorvel needs on Debian 12 (run as root), and
# fetches the app's fonts. Safe to run again: it installs only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config ccache git
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
  nlohmann-json3-dev libasio-dev libicu-dev libutf8proc-dev libssl-dev libsystemd-dev
  libcurl4-openssl-dev libsecret-1-dev libglib2.0-dev libxss-dev libx11-dev libxext-dev libxcb1-dev libxcb-xtest0-dev
  qt6-base-dev qt6-multimedia-dev libgl-dev zlib1g-dev
  xvfb xauth dbus dbus-x11 libnotify-bin gnome-keyring gcr openbox libsm-dev
  sox curl openssl iproute2 pulseaudio pulseaudio-utils faketime
  desktop-file-utils debootstrap lintian appstream
)
# The fonts come from the npm registry; a machine with its own Node.js keeps it.
if ! command -v npm >/dev/null; then packages+=(nodejs npm); fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

bash scripts/fetch-fonts.sh "${QUORVEL_BUILD_DIR:-build}/resources/fonts"

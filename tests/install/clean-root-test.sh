#!/usr/bin/env bash
# The Debian package as a new user meets it: a fresh Debian 12 root (debootstrap, minimal),
# the package installed there with apt, which must bring every library it needs; then the
# app started with its desktop entry's command, hooks turned on by its launcher action, one
# simulated run fed by the helper, and a picture drawn in render mode. Skips (77) where no root can be made here: not root, no
# debootstrap, or Debian's archive out of reach.
#
#   clean-root-test.sh <build folder>
set -euo pipefail
build=$(cd "${1:?usage: clean-root-test.sh <build folder>}" && pwd)
skip() { echo "clean-root-test: skipped: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "needs root"
command -v debootstrap >/dev/null || skip "no debootstrap"
command -v unshare >/dev/null || skip "no unshare"

work=$(mktemp -d)
trap 'rm -rf --one-file-system "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null) || { echo "clean-root-test: cpack failed" >&2; exit 1; }
deb=$(ls "$work"/package/quorvel_*_amd64.deb | head -n1)
root="$work/root"
mirror=${QUORVEL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  skip "debootstrap could not make a root (see its log): $(tail -n1 "$work/debootstrap.log")"
cp "$deb" "$root/root/quorvel.deb"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cat >"$root/root/new-user.sh" <<'INNER'
set -eu
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /root/quorvel.deb >/dev/null
export HOME=/root/user XDG_RUNTIME_DIR=/root/runtime QUORVEL_LOG_FILE=/root/app.log
mkdir -p "$HOME/.claude"; mkdir -m 700 "$XDG_RUNTIME_DIR"
support="$HOME/Library/Application Support/Quorvel"
command=$(sed -n 's/^Exec=//p' /usr/share/applications/quorvel.desktop | head -n1)
$command >/root/app.out 2>&1 &
app=$!
for _ in $(seq 1 100); do [ -f "$support/endpoint.json" ] && break; sleep 0.1; done
[ -f "$support/endpoint.json" ] || { echo "the app wrote no endpoint file"; cat /root/app.out; exit 1; }
quorvel --hooks-on
for _ in $(seq 1 100); do grep -q "Library/Quorvel/bin/quorvel-hook" "$HOME/.claude/settings.json" 2>/dev/null && break; sleep 0.1; done
grep -q "Library/Quorvel/bin/quorvel-hook" "$HOME/.claude/settings.json" || { echo "--hooks-on wrote no hooks"; exit 1; }
quorvel-hook --simulate done </dev/null
for _ in $(seq 1 100); do grep -q '"ok"' "$support/finished.json" 2>/dev/null && break; sleep 0.1; done
grep -q '"ok"' "$support/finished.json" || { echo "no finished run"; exit 1; }
[ -x "$HOME/Library/Quorvel/bin/quorvel-hook" ] || { echo "no helper installed"; exit 1; }
quorvel --render device-done /root/device.png
[ -s /root/device.png ] || { echo "render mode drew nothing"; exit 1; }
kill "$app"; wait "$app"
if grep -E "Missing sound|Font file missing|Couldn't register" /root/app.log; then exit 1; fi
echo "a new user's install works"
INNER
# Mounts live in a namespace of their own, so nothing stays mounted if this is killed.
unshare -m --propagation private sh -c '
  mount -t proc proc "$1/proc" && mount --rbind /dev "$1/dev" && chroot "$1" sh /root/new-user.sh' sh "$root"

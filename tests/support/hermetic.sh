#!/bin/sh
# Runs a test command as on a machine of its own: a throw-away home (HOME and the XDG data,
# config, cache and runtime folders inside a new temporary folder, removed afterwards), a
# private session bus whose services (a keyring it starts, a notification server) get that
# home too, and none of the caller's display, bus or keyring in the environment. So no test
# reaches the keyring, files, bus or screen of whoever runs it, whether that one has a
# session bus or not.
#
#   hermetic.sh [--keyring] [--] command [arguments...]
#
#   --keyring   GNOME Keyring on the private bus, its login keyring made and unlocked with
#               the password "pw", before the command runs.
#
# The exit status is the command's. A display of the test's own (xvfb-run) goes inside:
#   hermetic.sh xvfb-run -a ... test-program ...
set -u

keyring=no
on_private_bus=no
while [ $# -gt 0 ]; do
    case "$1" in
        --keyring) keyring=yes; shift ;;
        --on-private-bus) on_private_bus=yes; shift ;;
        --) shift; break ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: hermetic.sh [--keyring] [--] command [arguments...]" >&2; exit 2; }

if [ "$on_private_bus" = yes ]; then
    if [ "$keyring" = yes ]; then
        printf pw | gnome-keyring-daemon --unlock --components=secrets >/dev/null ||
            { echo "hermetic.sh: couldn't start GNOME Keyring" >&2; exit 1; }
    fi
    "$@"
    exit $?
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-test-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP
mkdir -m 700 "$home/runtime" || exit 1
export HOME="$home" XDG_DATA_HOME="$home/share" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime"
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER GNOME_KEYRING_CONTROL PULSE_SERVER
# A sound played in a test must not start a sound server that outlives it (PulseAudio
# starts one on demand for users other than root).
printf 'autospawn = no\n' >"$home/pulse-client.conf" || exit 1
export PULSE_CLIENTCONFIG="$home/pulse-client.conf"
flags=""
[ "$keyring" = yes ] && flags=--keyring
# Not exec'd: the folder goes when the command is done.
dbus-run-session -- sh "$0" --on-private-bus $flags -- "$@"

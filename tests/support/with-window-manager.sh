#!/bin/sh
# Runs a test command with a window manager (openbox, EWMH) on the display in DISPLAY, which
# frames, places, stacks and focuses windows as a desktop does; the manager ends with it.
#
#   with-window-manager.sh command [arguments...]
set -u
openbox >/dev/null 2>&1 &
manager=$!
"$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit $status

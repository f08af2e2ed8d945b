#!/usr/bin/env bash
# The app as a user gets it: installed under a prefix (a throw-away DESTDIR root, or the
# Debian package unpacked), started with a throw-away home, fed one simulated run by the
# installed helper, which must end up in finished.json. With --build-tree the same checks run
# against the programs in the build folder.
#
#   install-test.sh <build folder> [--build-tree]
#
# QUORVEL_SOUNDS names the sounds whose files must be installed (its CTest entry sets it from
# the sounds' enumeration, the one list of them).
set -euo pipefail
build=$(cd "${1:?usage: install-test.sh <build folder> [--build-tree]}" && pwd)
mode=${2:-installed}

work=$(mktemp -d)
app_pid=""
monitor_pid=""
cleanup() {
  if [ -n "$monitor_pid" ]; then kill "$monitor_pid" 2>/dev/null || true; fi
  if [ -n "$app_pid" ]; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    # A copy the helper started is no child of this shell: its last saves end before the folder goes.
    for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.05; done
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "install-test: $*" >&2; [ -f "$work/app.log" ] && sed 's/^/  log: /' "$work/app.log" >&2; exit 1; }

if [ "$mode" = "--build-tree" ]; then
  bin="$build/bin"
else
  root="$work/root"
  DESTDIR="$root" cmake --install "$build" --prefix /usr --strip >/dev/null || fail "cmake --install failed"
  bin="$root/usr/bin"
  share="$root/usr/share"
  read -r -a sounds <<<"${QUORVEL_SOUNDS:-}"
  [ "${#sounds[@]}" -gt 0 ] || fail "QUORVEL_SOUNDS names no sound (run this test through ctest)"
  sound_files=()
  for sound in "${sounds[@]}"; do sound_files+=("share/quorvel/sounds/$sound.caf"); done
  for file in bin/quorvel bin/quorvel-hook "${sound_files[@]}" \
      share/quorvel/fonts/SpaceMono-Regular.ttf share/quorvel/fonts/SpaceMono-Bold.ttf \
      share/quorvel/fonts/Jersey10-Regular.ttf share/quorvel/fonts/SpaceMono-OFL.txt \
      share/quorvel/fonts/Jersey10-OFL.txt share/applications/quorvel.desktop \
      share/icons/hicolor/48x48/apps/quorvel.png share/icons/hicolor/512x512/apps/quorvel.png \
      share/man/man1/quorvel.1.gz share/man/man1/quorvel-hook.1.gz \
      share/doc/quorvel/copyright share/doc/quorvel/changelog.gz \
      share/metainfo/com.tessaloom.quorvel.mac.metainfo.xml; do
    [ -f "$root/usr/$file" ] || fail "the installed tree lacks usr/$file"
  done
  installed_sounds=$(find "$share/quorvel/sounds" -type f | wc -l)
  [ "$installed_sounds" -eq "${#sounds[@]}" ] ||
    fail "usr/share/quorvel/sounds holds $installed_sounds files, not the ${#sounds[@]} sounds"
  desktop-file-validate "$share/applications/quorvel.desktop" || fail "the desktop entry is not valid"

  # What software centres list: valid AppStream, naming the installed launcher entry, with a
  # screenshot that render mode draws (the image's file name is the render target).
  metainfo="$share/metainfo/com.tessaloom.quorvel.mac.metainfo.xml"
  appstreamcli validate --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
    { cat "$work/appstream.txt" >&2; fail "appstreamcli validate --no-net refuses the metainfo file"; }
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [ -f "$share/applications/$launchable" ] || fail "the metainfo names the launcher entry '$launchable', which is not installed"
  screenshot=$(sed -n 's:.*<image>.*/\([^/]*\)\.png</image>.*:\1:p' "$metainfo")
  [ -n "$screenshot" ] || fail "the metainfo has no screenshot"
  version=$(zcat "$share/doc/quorvel/changelog.gz" | sed -n '1s/^quorvel (\(.*\)).*/\1/p')
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not the changelog's $version"
  for page in quorvel quorvel-hook; do
    for section in NAME SYNOPSIS OPTIONS FILES ENVIRONMENT "EXIT STATUS"; do
      zcat "$share/man/man1/$page.1.gz" | grep -q "^\.SH \"\?$section" || fail "the manual page $page.1 has no $section section"
    done
  done
  exec_line=$(sed -n 's/^Exec=//p' "$share/applications/quorvel.desktop" | head -n1)
  [ "${exec_line%% *}" = quorvel ] || fail "the desktop entry starts '$exec_line', not the installed quorvel"
  # Windows and banners name the entry (class and "desktop-entry" hint "quorvel"), so the desktop
  # matches them to it.
  wm_class=$(sed -n 's/^StartupWMClass=//p' "$share/applications/quorvel.desktop")
  [ "$wm_class" = quorvel ] || fail "the desktop entry's StartupWMClass is '$wm_class', not the app's window class quorvel"
  if grep -a -q -F "$build" "$bin/quorvel" "$bin/quorvel-hook"; then
    fail "an installed program names the build folder $build"
  fi

  # The package holds the same tree and asks for the libraries the programs link.
  (cd "$build" && cpack -G DEB -B "$work/package" >/dev/null) || fail "cpack failed"
  deb=$(ls "$work"/package/quorvel_*_amd64.deb 2>/dev/null | head -n1)
  [ -n "$deb" ] || fail "cpack made no quorvel_<version>_amd64.deb"
  depends=$(dpkg-deb -f "$deb" Depends)
  case "$depends" in *libqt6gui6*) ;; *) fail "the package's Depends lacks Qt: $depends" ;; esac
  section=$(dpkg-deb -f "$deb" Section)
  [ "$section" = utils ] || fail "the package's section is '$section', not utils (a desktop companion)"
  (cd "$root" && find . -type f | sed 's|^\./||' | sort) >"$work/tree.txt"
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort >"$work/package.txt"
  diff -u "$work/tree.txt" "$work/package.txt" >&2 || fail "the package's files differ from the installed tree"
  # Debian's own checker: no error and no warning (informational tags are allowed).
  lintian --allow-root --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 ||
    { cat "$work/lintian.txt" >&2; fail "lintian reports errors or warnings for the package"; }
fi

home="$work/home"
runtime="$work/runtime"
mkdir -p "$home"
mkdir -m 700 "$runtime"
support="$home/Library/Application Support/Quorvel"

# Launch at login, switched on by a copy that ran from elsewhere before: the next login must
# start this one.
autostart="$home/.config/autostart/com.tessaloom.quorvel.mac.desktop"
mkdir -p "${autostart%/*}"
printf '[Desktop Entry]\nType=Application\nName=Quorvel\nExec=/opt/old-build/bin/quorvel\nX-GNOME-Autostart-enabled=true\n' >"$autostart"
# Every banner the app posts on the test's private bus, as the notification server gets it.
if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$work/banners.txt" 2>&1 &
  monitor_pid=$!
fi

# No display: the app runs headless and still serves events, as on a server.
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_RUNTIME_DIR="$runtime" \
  XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" \
  QUORVEL_LOG_STDERR=0 QUORVEL_LOG_FILE="$work/app.log" \
  "$bin/quorvel" >"$work/app.out" 2>&1 &
app_pid=$!

for _ in $(seq 1 150); do
  [ -f "$support/endpoint.json" ] && break
  kill -0 "$app_pid" 2>/dev/null || fail "the app ended at start"
  sleep 0.1
done
[ -f "$support/endpoint.json" ] || fail "the app wrote no endpoint file"
grep -q -x -F "Exec=$bin/quorvel" "$autostart" ||
  fail "launch at login still starts another copy: $(grep '^Exec=' "$autostart")"

# Turning hooks on as the launcher's action does, for someone who never ran the agent (no
# ~/.claude yet): a second start hands the command to the running copy and exits 0.
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_RUNTIME_DIR="$runtime" QUORVEL_LOG_STDERR=0 \
  "$bin/quorvel" --hooks-on >/dev/null 2>&1 || fail "a second start with --hooks-on did not exit 0"
for _ in $(seq 1 100); do
  grep -q "Library/Quorvel/bin/quorvel-hook" "$home/.claude/settings.json" 2>/dev/null && break
  sleep 0.1
done
grep -q "Library/Quorvel/bin/quorvel-hook" "$home/.claude/settings.json" 2>/dev/null ||
  fail "--hooks-on did not write the hook entries"
[ "$(stat -c %a "$home/.claude")" = 700 ] || fail "--hooks-on made ~/.claude with mode $(stat -c %a "$home/.claude"), not 700"

HOME="$home" XDG_RUNTIME_DIR="$runtime" "$bin/quorvel-hook" --simulate done </dev/null || fail "the helper did not exit 0"

for _ in $(seq 1 150); do
  if [ -f "$support/finished.json" ] && grep -q '"ok"' "$support/finished.json"; then break; fi
  sleep 0.1
done
grep -q '"ok"' "$support/finished.json" 2>/dev/null || fail "no finished run after the simulated one"

# The run's banner names an icon the desktop finds wherever this copy lies: in the user's own
# icon theme, beside the launcher entry, the same picture as the copy's own.
if [ -n "$monitor_pid" ]; then
  for _ in $(seq 1 50); do grep -q 'member=Notify' "$work/banners.txt" && break; sleep 0.1; done
  kill "$monitor_pid"
  monitor_pid=""
  # Notify's arguments: the app's name, the number it replaces, then the icon.
  icon=$(grep -A3 'member=Notify' "$work/banners.txt" | sed -n '4s/^ *string "\(.*\)"$/\1/p')
  [ -n "$icon" ] || fail "the app posted no banner with an icon on the private bus: $(cat "$work/banners.txt")"
  for side in 48 512; do
    found="$home/.local/share/icons/hicolor/${side}x${side}/apps/$icon.png"
    [ -f "$found" ] || fail "the banner's icon '$icon' is in no icon folder of the user's ($found is missing)"
  done
  own_icons=$build/resources/icons/hicolor
  [ "$mode" = "--build-tree" ] || own_icons=$share/icons/hicolor
  cmp -s "$found" "$own_icons/512x512/apps/$icon.png" || fail "the user's copy of the icon is not this copy's"
fi

# The helper the app copies into the user's library came from the tree it runs in.
installed_helper="$home/Library/Quorvel/bin/quorvel-hook"
[ -x "$installed_helper" ] || fail "the app did not install its helper"
cmp -s "$installed_helper" "$bin/quorvel-hook" || fail "the installed helper is not the one beside the app"

# Every resource found where the program lies: the sounds (loaded at start) and the fonts
# (registered by the first view drawn: here, one picture in render mode).
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" QUORVEL_LOG_STDERR=0 QUORVEL_LOG_FILE="$work/render.log" \
  "$bin/quorvel" --render device-done "$work/device.png" >/dev/null 2>&1 || fail "render mode failed"
[ -s "$work/device.png" ] || fail "render mode wrote no picture"
if [ "$mode" != "--build-tree" ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" QUORVEL_LOG_STDERR=0 QUORVEL_LOG_FILE="$work/render.log" \
    "$bin/quorvel" --render "$screenshot" "$work/screenshot.png" >/dev/null 2>&1 ||
    fail "render mode can't draw the metainfo's screenshot $screenshot"
fi
if grep -h -E "Missing sound|Font file missing|Couldn't register" "$work/app.log" "$work/render.log" 2>/dev/null; then
  fail "a resource was not found where the program lies"
fi

# The app down, the helper it installed starts this copy again (nothing else names it: no
# quorvel on PATH) through the launcher entry the app wrote for it.
entry="$home/.local/share/applications/quorvel.desktop"
[ -f "$entry" ] || fail "the app wrote no launcher entry for its copy in $bin"
desktop-file-validate "$entry" || fail "the app's launcher entry is not valid"
grep -q -x -F "Exec=$bin/quorvel" "$entry" || fail "the app's launcher entry doesn't start $bin/quorvel"
kill "$app_pid"
wait "$app_pid" || true
app_pid=""
printf '%s' '{"session_id":"again","hook_event_name":"PostToolUseFailure","tool_name":"Bash",'\
'"tool_input":{"command":"make again"},"error":"Exit code 2","cwd":"/work/site"}' >"$work/payload.json"
env -u DISPLAY -u WAYLAND_DISPLAY -u QUORVEL_APP_EXECUTABLE PATH=/usr/bin:/bin HOME="$home" \
  XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_CACHE_HOME="$home/.cache" QUORVEL_LOG_STDERR=0 QUORVEL_LOG_FILE="$work/app.log" \
  "$installed_helper" <"$work/payload.json" || fail "the installed helper did not exit 0"
started_copy() {
  local process
  for process in /proc/[0-9]*; do
    [ "$(readlink "$process/exe" 2>/dev/null)" = "$(readlink -f "$bin/quorvel")" ] || continue
    tr '\0' '\n' <"$process/environ" 2>/dev/null | grep -q -x -F "HOME=$home" && { echo "${process#/proc/}"; return; }
  done
}
for _ in $(seq 1 150); do
  [ -z "$app_pid" ] && app_pid=$(started_copy)
  grep -q '"make again"' "$support/finished.json" 2>/dev/null && break
  sleep 0.1
done
[ -z "$app_pid" ] && app_pid=$(started_copy)
grep -q '"make again"' "$support/finished.json" 2>/dev/null ||
  fail "the helper did not start the app it was installed by (hook log: $(cat "$home/Library/Logs/Quorvel/hook.log" 2>/dev/null))"

echo "install-test: $mode: ok"

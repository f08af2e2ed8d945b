#!/usr/bin/env bash
# Puts the app's three fonts and their licences into the folder given, from pinned npm packages, checking each
# file against its known SHA-256. Does nothing when the fonts are already there and sound.
set -euo pipefail
target=${1:?usage: fetch-fonts.sh <folder>}
mkdir -p "$target"

# name in the app | package | file in the package | sha256
fonts=(
  "SpaceMono-Regular.ttf|@expo-google-fonts/space-mono@0.4.2|400Regular/SpaceMono_400Regular.ttf|508a2a382b46a55be24d9edb70ce7d59be695cd5808e641fda24c40864b0d5d2"
  "SpaceMono-Bold.ttf|@expo-google-fonts/space-mono@0.4.2|700Bold/SpaceMono_700Bold.ttf|35da133403a96d2972f91744f4e8dd3f3d0155e6b9aedbaf14266efa58c12d2d"
  "Jersey10-Regular.ttf|@expo-google-fonts/jersey-10@0.4.1|400Regular/Jersey10_400Regular.ttf|d661892ab865793dbbf1d4d9514ca2d3c5adb5b1f06ad302fff4d021042dd82a"
  # The fonts' licences (SIL Open Font License) travel with them into the package.
  "SpaceMono-OFL.txt|@expo-google-fonts/space-mono@0.4.2|LICENSE_FONT|8e4ee42b2553e1e01504e61cb0d46d148cd8c9e5eacaa3622a7df2d4f2955b9f"
  "Jersey10-OFL.txt|@expo-google-fonts/jersey-10@0.4.1|LICENSE_FONT|436d5836064cec796c7ddde6fb4faeabdb6f2f17443a24a30d0c38b75d13f922"
)

sound() { [ -f "$1" ] && [ "$(sha256sum "$1" | cut -d' ' -f1)" = "$2" ]; }

work=""
# An "if", not "&&": the exit trap's status becomes the script's, and fonts already in place are
# no failure.
cleanup() { if [ -n "$work" ]; then rm -rf "$work"; fi; }
trap cleanup EXIT

for entry in "${fonts[@]}"; do
  IFS='|' read -r name package inner sum <<<"$entry"
  sound "$target/$name" "$sum" && continue
  if [ -z "$work" ]; then work=$(mktemp -d); fi
  folder="$work/$(echo "$package" | tr '/@' '__')"
  if [ ! -d "$folder" ]; then
    mkdir -p "$folder"
    (cd "$folder" && npm pack --silent "$package" >/dev/null 2>&1) || { echo "fonts: could not fetch $package" >&2; exit 1; }
    tar xzf "$folder"/*.tgz -C "$folder"
  fi
  if ! sound "$folder/package/$inner" "$sum"; then
    echo "fonts: $package/$inner does not match its checksum" >&2
    exit 1
  fi
  install -m 0644 "$folder/package/$inner" "$target/$name"
done

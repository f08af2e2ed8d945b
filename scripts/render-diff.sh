#!/usr/bin/env bash
# Renders every render-mode target with two builds and lists the pictures that differ.
#   scripts/render-diff.sh <before> <after> [folder]
# <before> and <after> are each a `quorvel` binary to render with, or a folder of pictures
# rendered earlier (by this script: <folder>/before, say). The pictures land in
# <folder>/before and <folder>/after (default: a new temporary folder); for each target whose
# files differ, <folder>/sides/<target>.png shows before and after side by side when Python's
# imaging library is at hand. Prints one line per differing target and exits 0 when none
# differ, 1 when some do, 2 on a failure.
#
# Render mode dates its samples from the time it runs, so both sets are rendered at the same
# made-up moment (QUORVEL_RENDER_AT, default 2026-06-15 12:00:00, UTC) through faketime, which
# this script installs where it can (apt-get, as root).
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 <before binary or folder> <after binary or folder> [folder]" >&2
  exit 2
fi
before=$1
after=$2
folder=${3:-$(mktemp -d)}

moment=${QUORVEL_RENDER_AT:-2026-06-15 12:00:00}
if ! command -v faketime >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends faketime >/dev/null
  else
    echo "render-diff: faketime is missing (apt-get install faketime)" >&2
    exit 2
  fi
fi

samples=(idle running longrun done needsyou broke crashed muted)
lockStates=(running done broke)
targets=()
for sample in "${samples[@]}"; do targets+=("device-$sample" "strip-$sample" "phone-$sample"); done
for state in "${lockStates[@]}"; do targets+=("lock-$state"); done
targets+=(finished icon-mac icon-ios design)

# Renders every target with binary $1 into folder $2, or takes the folder $1 as it is.
render_set() {
  local source=$1 into=$2
  mkdir -p "$into"
  if [ -d "$source" ]; then
    [ "$(cd "$source" && pwd)" = "$(cd "$into" && pwd)" ] || cp "$source"/*.png "$into"/
    return
  fi
  for target in "${targets[@]}"; do
    TZ=UTC QT_QPA_PLATFORM=offscreen faketime -f "@$moment" "$source" --render "$target" "$into/$target.png" ||
      { echo "render-diff: $source could not render $target" >&2; exit 2; }
  done
}

render_set "$before" "$folder/before"
render_set "$after" "$folder/after"

differing=()
for target in "${targets[@]}"; do
  one="$folder/before/$target.png" other="$folder/after/$target.png"
  if [ ! -f "$one" ] || [ ! -f "$other" ]; then
    echo "render-diff: $target is missing from one of the sets" >&2
    exit 2
  fi
  cmp -s "$one" "$other" || differing+=("$target")
done

imaging=
for python in python3 /usr/bin/python3; do
  if "$python" -c 'import PIL' 2>/dev/null; then imaging=$python; break; fi
done
if ((${#differing[@]})) && [ -n "$imaging" ]; then
  mkdir -p "$folder/sides"
  "$imaging" - "$folder" "${differing[@]}" <<'EOF'
import sys
from PIL import Image, ImageChops
folder, names = sys.argv[1], sys.argv[2:]
for name in names:
    one = Image.open(f"{folder}/before/{name}.png").convert("RGBA")
    other = Image.open(f"{folder}/after/{name}.png").convert("RGBA")
    gap = 16
    side = Image.new("RGBA", (one.width + other.width + gap, max(one.height, other.height)), (255, 0, 255, 255))
    side.paste(one, (0, 0))
    side.paste(other, (one.width + gap, 0))
    side.save(f"{folder}/sides/{name}.png")
    if one.size != other.size:
        print(f"{name}: sizes {one.size} and {other.size}")
        continue
    boxes = [band.getbbox() for band in ImageChops.difference(one, other).split()]
    boxes = [box for box in boxes if box]
    box = (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes), max(b[3] for b in boxes))
    print(f"{name}: differs in pixels {box} (left, top, right, bottom)")
EOF
else
  for target in "${differing[@]}"; do echo "$target"; done
fi

echo "render-diff: ${#differing[@]} of ${#targets[@]} targets differ; pictures in $folder" >&2
((${#differing[@]} == 0))

#!/usr/bin/env bash
# Redraws the icon, bitmaps and cursor committed in ui/res.
#   scripts/draw-images.sh [--build DIR] [--output DIR] [--preview DIR]
# --build    the native build folder to use (default build/images-tool; configured if needed)
# --output   where to draw instead of ui/res (to try a change without touching the committed files)
# --preview  also write enlarged PNG previews there (ImageMagick)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/images-tool"
preview=""
res="$root/ui/res"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --output) res=$2; shift 2 ;;
    --preview) preview=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--output DIR] [--preview DIR]" >&2; exit 2 ;;
  esac
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARO_TESTS=OFF
fi
cmake --build "$build" --target kelvaro_draw_images -j2
tool=$(find "$build" -type f -name kelvaro_draw_images -perm -u+x | head -n 1)
"$tool" "$res"

[ -n "$preview" ] || exit 0
mkdir -p "$preview"
checker=(-size 256x256 pattern:checkerboard -level 0,100%,0.0 +level 78%,92%)

# Each icon image enlarged without smoothing, on a checkerboard, so that every
# pixel and its alpha can be judged.
sizes=(64 48 32 16)
for i in 0 1 2 3; do
  s=${sizes[$i]}
  f=$((256 / s))
  convert "${checker[@]}" \( "$res/icon128.ico[$i]" -filter point -scale $((s * f))x$((s * f)) \) \
    -gravity center -composite "$preview/icon-$s.png"
done
# The real sizes side by side on light, grey and dark backgrounds, doubled.
for bg in white '#d4d0c8' '#1e2a3a'; do
  convert -size 176x72 "xc:$bg" \
    "$res/icon128.ico[0]" -geometry +4+4 -composite \
    "$res/icon128.ico[1]" -geometry +76+12 -composite \
    "$res/icon128.ico[2]" -geometry +132+20 -composite \
    "$res/icon128.ico[3]" -geometry +156+28 -composite \
    miff:-
done | convert - -append -filter point -scale 200% "$preview/icon-actual.png"
convert "$preview/icon-64.png" "$preview/icon-48.png" "$preview/icon-32.png" "$preview/icon-16.png" \
  +append "$preview/icon-sheet.png"

for name in bitmap129 bitmap130 bitmap131 bitmap134; do
  convert "$res/$name.bmp" -filter point -scale 1600% "$preview/$name.png"
done
convert "$res/cursor135.cur" -background '#3a6ea5' -flatten -filter point -scale 1200% "$preview/cursor135.png"
echo "previews in $preview"

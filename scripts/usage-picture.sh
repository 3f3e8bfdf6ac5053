#!/usr/bin/env bash
# `kelvaro-hive usage` on one hive: its table as text and its treemap, drawn
# as SVG and rendered by a real renderer (rsvg-convert) into a PNG whose size
# is checked. By default on the SYSTEM sample hive, writing the README's
# picture into docs/ and printing the README's table.
#   scripts/usage-picture.sh [HIVE|HIVE.xz|generated:MEGABYTES] [OUT_FOLDER]
# KELVARO_HIVE_TOOL names the kelvaro-hive to run (default: the release
# build, built when missing); MAKE_BIG_HIVE the hive maker for "generated:".
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
shared="${KELVARO_SAMPLE_HIVES:-$root/../shared/hives}"
input=${1:-$shared/regipy/SYSTEM_2.xz}
out=${2:-$root/docs}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tool=${KELVARO_HIVE_TOOL:-}
if [ -z "$tool" ]; then
  bash "$root/scripts/build-release-tools.sh" kelvaro-hive > /dev/null
  tool="$root/build/release/cli/kelvaro-hive"
fi

case "$input" in
  generated:*)
    hive="$work/generated.hiv"
    "${MAKE_BIG_HIVE:?MAKE_BIG_HIVE names make-big-hive}" "$hive" "${input#generated:}" 64
    ;;
  *.xz)
    hive="$work/$(basename "${input%.xz}")"
    xz -dc "$input" > "$hive"
    ;;
  *) hive=$input ;;
esac
name=$(basename "$hive")
name=${name%.*}

# --no-logs is not needed: a sample hive's logs are not unpacked beside it.
"$tool" usage "$hive" --svg "$out/usage-$name.svg" > "$out/usage-$name.txt"
rsvg-convert -o "$out/usage-$name.png" "$out/usage-$name.svg"

# The PNG's width and height from its header (big-endian at bytes 16 and 20).
size=$(od -An -tu1 -j16 -N8 "$out/usage-$name.png" |
  awk '{ printf "%dx%d", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }')
colours=$(identify -format '%k' "$out/usage-$name.png")
expected=$(sed -n 's/.*<svg [^>]* width="\([0-9]*\)\.000" height="\([0-9]*\)\.000".*/\1x\2/p' "$out/usage-$name.svg")
if [ "$size" != "$expected" ] || [ "$colours" -lt 8 ]; then
  echo "usage-picture: $out/usage-$name.png is $size with $colours colours, expected $expected and a picture" >&2
  exit 1
fi
echo "usage-picture: $out/usage-$name.png ($size, $colours colours) and $out/usage-$name.txt"
if [ -z "${2:-}" ]; then
  # The README's copy: the picture stays, the SVG and text are regenerated at will.
  rm -f "$out/usage-$name.svg" "$out/usage-$name.txt"
  "$tool" usage "$hive" | sed "s#$work/##"
fi

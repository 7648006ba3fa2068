#!/bin/sh
# Makes the About box logo data/vimo.gif: a film reel of 48 x 48 pixels whose five windows show
# little coloured pictures, turning one step per frame. ImageMagick draws the frames, and
# Pictoreel itself assembles them: the script writes a project of the twelve pictures and makes
# it with pictoreel-cli.
#
#   data/make_logo.sh [PICTOREEL_CLI]
#
# PICTOREEL_CLI defaults to build/bin/pictoreel-cli; CONVERT names ImageMagick's convert when the
# one on the PATH is not it.
set -eu
cd "$(dirname "$0")/.."
CLI=${1:-build/bin/pictoreel-cli}
CONVERT=${CONVERT:-convert}
OUT=data/vimo.gif
FRAMES=12
SIDE=48

[ -x "$CLI" ] || { echo "make_logo: $CLI not found (build pictoreel-cli first)" >&2; exit 1; }
command -v "$CONVERT" >/dev/null || { echo "make_logo: ImageMagick's convert is missing" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# A point at angle DEG (degrees) and radius R around the centre (24, 24).
point() {
  awk -v d="$1" -v r="$2" 'BEGIN { a = d * 3.14159265 / 180; printf "%.1f,%.1f", 24 + r * cos(a), 24 + r * sin(a) }'
}

# Frame n: the reel turned by n x 6 degrees, so twelve frames make one fifth of a turn and the
# animation loops without a jump. White is the transparent colour; no anti-aliasing, so no pale
# fringe is left around the reel on the About box's grey.
n=0
while [ "$n" -lt "$FRAMES" ]; do
  turn=$((n * 6))
  set -- -size ${SIDE}x${SIDE} xc:white +antialias \
    -fill '#2f3f63' -stroke '#1a2240' -strokewidth 1 -draw "circle 24,24 24,2" \
    -fill none -stroke '#7f97c8' -draw "circle 24,24 24,5"
  k=0
  for colour in '#e8453c' '#f4c430' '#4caf50' '#2f9ce0' '#a05ad0'; do
    angle=$((turn + k * 72 - 90))
    centre=$(point "$angle" 11)
    edge=$(point "$angle" 16.5)
    set -- "$@" -fill "$colour" -stroke '#10162a' -draw "circle $centre $edge"
    k=$((k + 1))
  done
  set -- "$@" -fill '#c9d2e3' -stroke '#10162a' -draw "circle 24,24 24,20.5"
  "$CONVERT" "$@" "PNG24:$WORK/reel$((n + 1)).png"
  n=$((n + 1))
done

{
  printf '[Global Properties]\nWidth=%d\nHeight=%d\nLoop Infinitely=1\nLoop Times=1\n' $SIDE $SIDE
  printf 'Output GIF File Name=%s\nFrames=%d\n[Frame Properties]\n' "$WORK/vimo.gif" $FRAMES
  n=1
  while [ "$n" -le "$FRAMES" ]; do
    printf 'FRAME%03d=8;YES;16777215;reel%d.png;%s/\n' "$n" "$n" "$WORK"
    n=$((n + 1))
  done
} > "$WORK/logo.agp"

"$CLI" make "$WORK/logo.agp" --temp "$WORK/temp" --quiet
cp "$WORK/vimo.gif" "$OUT"
echo "made $OUT"

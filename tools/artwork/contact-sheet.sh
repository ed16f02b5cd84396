#!/bin/sh
# Draws the enlarged contact sheet of the toolbar and format-bar strips, the
# information states and the small icons (each image at 6x beside the strip
# at 1:1) with ImageMagick, for reviewing the artwork.
#   tools/artwork/contact-sheet.sh [RESOURCES_DIR [OUTPUT_PNG]]
set -eu
R=${1:-resources}
OUT=${2:-docs/screenshots/artwork.png}
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
T=$(mktemp -d)
trap 'rm -r "$T"' EXIT

row() {  # row FILE LABEL NAME: every 16x16 image enlarged, then the strip itself
  convert "$1" -crop 16x16 +repage "$T/c_%02d.png"
  for f in "$T"/c_*.png; do
    convert "$f" -background '#f0f0f0' -flatten -scale 600% -bordercolor white -border 3 "$f"
  done
  convert "$T"/c_*.png +append \( -size 10x10 xc:white \) \
    \( "$1" -background '#f0f0f0' -flatten \) -background white -gravity center +append \
    -gravity northwest -splice 0x22 -font "$FONT" -pointsize 15 -annotate +4+3 "$2" \
    +repage "$T/r_$3.png"
  rm "$T"/c_*.png
}

row "$R/bitmaps/105.png" "main toolbar, normal (105)" 1
row "$R/bitmaps/104.png" "main toolbar, under the mouse (104)" 2
row "$R/bitmaps/121.png" "main toolbar, disabled (121)" 3
row "$R/bitmaps/127.png" "format bar, normal (127)" 4
row "$R/bitmaps/126.png" "format bar, under the mouse (126)" 5
row "$R/bitmaps/125.png" "format bar, disabled (125)" 6
row "$R/bitmaps/120.png" "information states (120)" 7
for icon in 110:600 102:600 101:300; do
  convert "$R/icons/${icon%:*}.png" -background '#f0f0f0' -flatten -scale "${icon#*:}%" \
    -bordercolor white -border 3 "$T/i_${icon%:*}.png"
done
convert "$T/i_110.png" "$T/i_102.png" "$T/i_101.png" -background white -gravity south +append \
  -gravity northwest -splice 0x22 -font "$FONT" -pointsize 15 \
  -annotate +4+3 "icons 110, 102, 101" \
  +repage "$T/r_8.png"
convert "$T"/r_?.png -background white -gravity northwest -append -bordercolor white -border 8 \
  +repage -depth 8 "$OUT"

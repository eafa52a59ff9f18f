#!/usr/bin/env bash
# Draws the program's two pictures with ImageMagick:
#   welcome.png  297 x 265, the welcome page: a folded two-mirror telescope
#                on a grey ground, parallel light entering at the top left,
#                a tilted concave primary, a flat fold mirror and the focus
#                with its little spot of light-cyan dots.
#   icon.png     32 x 32, the same light path in miniature.
# Run from this folder; the PNGs are stored in the repository.
set -euo pipefail
cd "$(dirname "$0")"

CYAN='#80ffff'
convert -size 297x265 xc:'#808080' \
  -fill none -stroke "$CYAN" -strokewidth 1 \
  -draw "line 6,28 248,28"   -draw "line 6,44 250,44"   -draw "line 6,60 248,60" \
  -draw "line 248,28 70,196" -draw "line 250,44 70,196" -draw "line 248,60 70,196" \
  -stroke '#0000a0' -strokewidth 4 -draw "arc 52,-56 252,144 -25,25" \
  -stroke '#00a000' -strokewidth 4 -draw "line 56,182 86,214" \
  -stroke "$CYAN" -strokewidth 1 \
  -draw "line 70,198 232,238" \
  -stroke '#a00000' -strokewidth 2 -draw "line 236,222 236,254" \
  -stroke none -fill "$CYAN" \
  -draw "point 233,238" -draw "point 232,236" -draw "point 232,240" -draw "point 230,237" \
  -draw "point 230,239" -draw "point 234,235" -draw "point 234,241" -draw "point 229,238" \
  -draw "point 231,234" -draw "point 231,242" -draw "point 228,236" -draw "point 228,240" \
  -type TrueColor PNG24:welcome.png

convert -size 32x32 xc:'#808080' \
  -fill none -stroke "$CYAN" -strokewidth 1 \
  -draw "line 1,6 27,6" -draw "line 1,12 28,12" \
  -draw "line 27,6 6,25" -draw "line 28,12 6,25" \
  -stroke '#0000c0' -strokewidth 2 -draw "polyline 27,1 29,5 30,9 29,13 27,17" \
  -stroke '#00c000' -strokewidth 2 -draw "line 3,22 9,28" \
  -stroke "$CYAN" -strokewidth 1 -draw "line 6,25 27,28" \
  -stroke '#c00000' -strokewidth 2 -draw "line 29,23 29,31" \
  -type TrueColor PNG24:icon.png

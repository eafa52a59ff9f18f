#!/usr/bin/env bash
# Draws the program's two pictures with ImageMagick:
#   welcome.png  297 x 265, the welcome page: a spot diagram of light-cyan
#                dots on a grey ground, a rounded triangle with three flared
#                tips, drawn in the band between "Orvelin" and the line
#                naming the system so that it stays clear of the texts.
#                The dots are the standard plot's ring pattern (ring j of N
#                has 6j points) through defocus plus trefoil:
#                z = a rho e^(i phi) + b rho^2 e^(-2 i phi), a = 2.4 b.
#   icon.png     32 x 32, a folded two-mirror telescope in miniature:
#                parallel light, a concave primary, a flat fold mirror and
#                the focus.
# Run from this folder; the PNGs are stored in the repository.
set -euo pipefail
cd "$(dirname "$0")"

CYAN='#80ffff'
dots=$(awk -v ratio=2.4 -v rings=12 -v size=38 -v cx=148 -v cy=194 'BEGIN {
  pi = atan2(0, -1); b = 1; a = ratio * b; s = size / (a + b)
  for (j = 1; j <= rings; j++) {
    r = j / rings; n = 6 * j
    for (k = 0; k < n; k++) {
      f = 2 * pi * k / n
      zx = a * r * cos(f) + b * r * r * cos(-2 * f)
      zy = a * r * sin(f) + b * r * r * sin(-2 * f)
      # Turned a quarter so that one tip points up.
      printf "point %d,%d ", int(cx - s * zy + 0.5), int(cy - s * zx + 0.5)
    }
  }
}')
convert -size 297x265 xc:'#808080' -fill "$CYAN" -draw "$dots" -type TrueColor PNG24:welcome.png

convert -size 32x32 xc:'#808080' \
  -fill none -stroke "$CYAN" -strokewidth 1 \
  -draw "line 1,6 27,6" -draw "line 1,12 28,12" \
  -draw "line 27,6 6,25" -draw "line 28,12 6,25" \
  -stroke '#0000c0' -strokewidth 2 -draw "polyline 27,1 29,5 30,9 29,13 27,17" \
  -stroke '#00c000' -strokewidth 2 -draw "line 3,22 9,28" \
  -stroke "$CYAN" -strokewidth 1 -draw "line 6,25 27,28" \
  -stroke '#c00000' -strokewidth 2 -draw "line 29,23 29,31" \
  -type TrueColor PNG24:icon.png

#!/usr/bin/env bash
# Writes banner.bmp: the product's name and edition in dark blue serif letters, smoothed, on
# white; 360 x 62, 24 bits, uncompressed, no palette, 3,780 pixels per metre (67,014 bytes).
# Needs ImageMagick and fonts-dejavu-core (scripts/install-deps.sh installs both).
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
convert -size 360x62 xc:white -font "$font" -pointsize 38 -fill 'rgb(0,0,128)' \
  -gravity center -annotate +0+0 'Талво 2026' \
  -alpha off -type TrueColor -units PixelsPerCentimeter -density 37.805 \
  -define bmp:format=bmp3 BMP3:banner.bmp
size=$(stat -c %s banner.bmp)
[ "$size" -eq 67014 ] || { echo "banner.bmp: $size bytes, not 67014" >&2; exit 1; }
ppm=$(od -An -t u4 -j 38 -N 8 banner.bmp | xargs)
[ "$ppm" = "3780 3780" ] || { echo "banner.bmp: $ppm pixels per metre, not 3780" >&2; exit 1; }

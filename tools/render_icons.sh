#!/bin/sh
# Renders the installed PNG icons from resources/icons/vorla.svg with ImageMagick, at every size
# the hicolor theme is asked for. Run it after changing the SVG, and commit the PNGs.
set -eu
cd "$(dirname "$0")/../resources/icons"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}"
  convert -background none -density $((96 * size / 64)) vorla.svg -resize "${size}x${size}" \
    -depth 8 "PNG32:hicolor/${size}x${size}/vorla.png"
done

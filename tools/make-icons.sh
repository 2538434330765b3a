#!/usr/bin/env bash
# Draws the program's bitmaps into resources/Themes with ImageMagick.
# The results are committed; run this only to change them.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/resources/Themes"
cd "$out"

# Preview tool: a green triangle (run) and a red square (stop).
convert -size 24x24 xc:none -fill '#2f9e44' -stroke '#1e6b2d' -strokewidth 1 \
  -draw 'polygon 7,4 20,12 7,20' PNG32:play.png
convert -size 24x24 xc:none -fill '#d9480f' -stroke '#a33409' -strokewidth 1 \
  -draw 'roundrectangle 5,5 18,18 2,2' PNG32:stop.png

# Add pictures: a frame with a plus; delete: a frame with a cross.
convert -size 24x24 xc:none -fill '#e7f5ff' -stroke '#1c7ed6' -strokewidth 1.5 \
  -draw 'roundrectangle 2,4 17,19 2,2' \
  -fill '#1c7ed6' -stroke none -draw 'rectangle 15,9 17,23' -draw 'rectangle 10,14 22,16' \
  -fill '#1c7ed6' -draw 'rectangle 12,9 20,21' -fill white -draw 'rectangle 15,11 17,19' \
  -draw 'rectangle 12,14 20,16' PNG32:insert.png
convert -size 24x24 xc:none -fill '#fff5f5' -stroke '#868e96' -strokewidth 1.5 \
  -draw 'roundrectangle 2,4 17,19 2,2' \
  -stroke '#e03131' -strokewidth 3 -draw 'line 11,11 21,21' -draw 'line 21,11 11,21' PNG32:delete.png

# Window icon: a strip of three frames with a loop arrow, at three sizes.
for s in 16 32 48; do
  convert -size 48x48 xc:none \
    -fill '#1864ab' -draw 'roundrectangle 2,8 45,39 5,5' \
    -fill '#b0dfe3' -draw 'rectangle 7,14 16,33' -draw 'rectangle 19,14 28,33' -draw 'rectangle 31,14 40,33' \
    -fill '#ffd43b' -draw 'polygon 33,18 39,24 33,30' \
    -resize ${s}x${s} PNG32:icon-$s.png
done
convert icon-16.png icon-32.png icon-48.png application.ico
# The same sizes for the desktop's icon theme; the scalable icon
# (scalable/apps/*.svg there) is drawn by hand to the same design.
for s in 16 32 48; do
  mkdir -p ../desktop/icons/hicolor/${s}x${s}/apps
  mv icon-$s.png ../desktop/icons/hicolor/${s}x${s}/apps/com.marvolent.Loopwright.png
done

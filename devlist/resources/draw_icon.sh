#!/bin/sh
# Draws the program icon: a DIP chip with a "T" on it, at 128 px, then the smaller sizes the
# window manager and the task bar ask for. Needs ImageMagick; rerun after changing the drawing.
set -e
cd "$(dirname "$0")"
pins=""
for i in 0 1 2 3 4 5; do
    y=$((24 + i * 14))
    pins="$pins rectangle 14,$y 32,$((y + 7)) rectangle 96,$y 114,$((y + 7))"
done
convert -size 128x128 xc:none \
    -fill '#b8bcc4' -stroke '#6c717a' -strokewidth 1 -draw "$pins" \
    -fill '#26324a' -stroke '#101826' -strokewidth 2 -draw "roundrectangle 30,12 98,116 8,8" \
    -fill '#101826' -stroke none -draw "circle 64,12 64,21" \
    -fill '#3fcf6f' -draw "circle 42,26 42,30" \
    -fill '#e8ecf4' -draw "rectangle 44,44 84,54 rectangle 59,44 69,96" \
    -fill '#1428c8' -draw "rectangle 44,102 84,106" \
    -strip icon128-128.png
for s in 48 32 16; do
    convert icon128-128.png -resize ${s}x${s} -strip icon128-$s.png
done

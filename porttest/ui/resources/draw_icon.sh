#!/bin/sh
# Renders the larger sizes of the program icon for the desktop's icon theme from porvik.svg.
# The window keeps its own 16 and 32 pixel images (porvik16.png, porvik32.png, porvik.ico).
# Needs rsvg-convert (librsvg2-bin); rerun after changing the drawing.
set -e
cd "$(dirname "$0")"
for s in 48 128 256; do
    rsvg-convert -w $s -h $s porvik.svg -o porvik$s.png
done

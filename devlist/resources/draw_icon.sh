#!/bin/sh
# Renders the program icon, a DIP chip with a "T" on it (tessaro.svg), at the sizes the window
# manager, the task bar and the desktop's icon theme ask for. Needs rsvg-convert (librsvg2-bin);
# rerun after changing the drawing.
set -e
cd "$(dirname "$0")"
for s in 16 32 48 128 256; do
    rsvg-convert -w $s -h $s tessaro.svg -o icon128-$s.png
done
# The icon of the .chip file type, for the hicolor theme's mimetypes.
for s in 16 32 48 128; do
    rsvg-convert -w $s -h $s chiplist.svg -o chiplist-$s.png
done

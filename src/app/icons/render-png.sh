#!/bin/sh
# Renders the toolbar's fallback icons and the application icon from their SVG sources
# (needs rsvg-convert from librsvg2-bin; only when an SVG changes).
set -e
cd "$(dirname "$0")"
for svg in *.svg; do
    name=${svg%.svg}
    if [ "$name" = penwick ]; then
        for size in 48 128; do rsvg-convert -w $size -h $size "$svg" -o "$name-$size.png"; done
    else
        for size in 16 32; do rsvg-convert -w $size -h $size "$svg" -o "$name-$size.png"; done
    fi
done

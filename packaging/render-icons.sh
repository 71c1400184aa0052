#!/bin/sh
# Renders the programs' PNG icons from their SVGs at the icon theme's usual sizes. The PNGs
# are committed, so the build needs no SVG renderer; run this after changing an SVG
# (needs librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for program in tarvo mireval; do
    for size in 16 32 48 64 128 256; do
        mkdir -p "icons/${size}x${size}"
        rsvg-convert -w "$size" -h "$size" "$program.svg" -o "icons/${size}x${size}/$program.png"
    done
done

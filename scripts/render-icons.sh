#!/usr/bin/env bash
# Renders the icon's PNG sizes from its SVG (needs rsvg-convert, package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" cz.torancal.ToranCal.svg -o "$size.png"
done

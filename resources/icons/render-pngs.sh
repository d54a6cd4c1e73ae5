#!/usr/bin/env bash
# Renders the PNG sizes of every icon from its SVG source (needs rsvg-convert, from librsvg2-bin).
# The PNGs are committed; run this again after changing an SVG.
set -euo pipefail
cd "$(dirname "$0")"
for svg in *.svg; do
    for size in 48 128 256; do
        mkdir -p "${size}x${size}"
        rsvg-convert --width "$size" --height "$size" "$svg" --output "${size}x${size}/${svg%.svg}.png"
    done
done

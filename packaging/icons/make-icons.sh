#!/usr/bin/env bash
# Renders the PNG sizes of the icons from their SVG sources into the hicolor
# tree beside this script (needs rsvg-convert, package librsvg2-bin). The
# PNGs are checked in, so a build needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")/hicolor"
for svg in scalable/apps/*.svg; do
    id=$(basename "$svg" .svg)
    for size in 16 22 24 32 48 64 128 256; do
        mkdir -p "${size}x${size}/apps"
        rsvg-convert -w "$size" -h "$size" -o "${size}x${size}/apps/$id.png" "$svg"
    done
done

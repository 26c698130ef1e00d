#!/usr/bin/env bash
# Renders the committed PNG icons from the SVG (needs rsvg-convert from librsvg2-bin).
# Run it after changing the SVG and commit the PNGs; the build itself only copies them.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
  rsvg-convert --width "$size" --height "$size" sk.brenvo.ZedezUpdater.svg \
    --output "sk.brenvo.ZedezUpdater-${size}.png"
done

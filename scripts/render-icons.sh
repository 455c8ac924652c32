#!/usr/bin/env bash
# Renders the PNG icons from res/icons/tarvolen.svg at the sizes desktops ask for.
# The PNGs are committed, so a build needs no SVG renderer; run this after changing
# the SVG (it installs librsvg2-bin when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvolen_need_packages librsvg2-bin

for size in 16 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "res/icons/tarvolen-$size.png" res/icons/tarvolen.svg
done

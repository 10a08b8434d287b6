#!/usr/bin/env bash
# Draws the PNG sizes of the icon from installation/icones/corvane.svg
# (rsvg-convert, package librsvg2-bin). The PNGs are committed, so the build
# needs no converter: run this after changing the SVG.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../installation/icones"

for taille in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$taille" -h "$taille" corvane.svg -o "corvane-$taille.png"
done
ls -l corvane-*.png

#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders data/icons/kiv.svg into the PNG sizes the window and the desktop
# entry use. Needs ImageMagick. Run from anywhere; rewrites the PNGs.
set -e
dir=$(cd "$(dirname "$0")/../data/icons" && pwd)
for size in 16 32 48 64 128 256; do
    convert -background none -density 384 "$dir/kiv.svg" -resize "${size}x${size}" \
        -strip "PNG32:$dir/kiv-$size.png"
done

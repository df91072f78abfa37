#!/usr/bin/env bash
# Draws Quorvix's icon, a round lens with the viewer's green cross, at the
# sizes Windows asks for (16, 32, 48 and 256 pixels) into quorvix.ico beside
# this script. The .ico is committed, so building needs no ImageMagick; run
# this again only to change the design. Needs ImageMagick's convert.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

frames=()
for s in 16 32 48 256; do
  # ImageMagick puts pixel centres at whole coordinates: an edge at e is at e - 0.5.
  read -r mid rim radius arm bar < <(awk -v s="$s" 'BEGIN {
    rim = s / 10; if (rim < 1.5) rim = 1.5
    bar = 2 * int(s / 32 + 0.5); if (bar < 2) bar = 2
    printf "%.2f %.2f %.2f %d %d\n", (s - 1) / 2, rim, s / 2 - rim / 2 - 0.5, int(0.27 * s + 0.5), bar }')
  h=$((s / 2))
  convert -size "${s}x${s}" xc:none \
    -fill '#e4f2fc' -stroke '#2b3a48' -strokewidth "$rim" \
    -draw "circle $mid,$mid $mid,$(awk -v m="$mid" -v r="$radius" 'BEGIN { print m - r }')" \
    -stroke none -fill '#00c800' \
    -draw "rectangle $((h - arm)),$((h - bar / 2)) $((h + arm - 1)),$((h + bar / 2 - 1))" \
    -draw "rectangle $((h - bar / 2)),$((h - arm)) $((h + bar / 2 - 1)),$((h + arm - 1))" \
    "png32:$work/$s.png"
  frames+=("$work/$s.png")
done
convert "${frames[@]}" "$here/quorvix.ico"
echo "wrote $here/quorvix.ico"

#!/usr/bin/env bash
# A user opens a 256-pixel PNG icon and clicks it: the information window appears with its
# caption, the icon drawn large and sharp in its box over the dotted grid. Set KEEP_SHOT=path to
# keep the screenshot.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo xdotool import convert
start_x_server 1024x768

# One icon: a single 256 x 256 PNG image, a blue square with a white bar on a red disc,
# transparent round the disc.
convert -size 256x256 xc:none -fill '#d02020' -draw "circle 128,128 128,8" \
    -fill '#2040d0' -draw "rectangle 64,64 192,192" -fill '#ffffff' -draw "rectangle 120,80 136,176" \
    -define icon:auto-resize=256 "$work/big.ico"

"$bin" "$work/big.ico" >"$work/out.log" 2>&1 &
app=$!
main=$(wait_window "Icons from; $work/big.ico")
# Icon 0 lies 8 pixels into the surface, which lies 8 pixels into the window.
xdotool mousemove --window "$main" 32 32 click 1
id=$(wait_window "Tessaline - Icon 0 information.")

count() { # pixels within 12% of a colour
    convert "$work/shot.png" -fuzz 12% -fill black +opaque "$1" -fill white -opaque "$1" \
        -format '%[fx:int(mean*w*h+0.5)]' info:
}
# Drawn at 249 x 249 pixels, the blue square covers about 124 x 124 less the bar (~15,000).
drawn() { shot "$id" "$work/shot.png" && [ "$(count '#2040d0')" -gt 12000 ]; }
poll drawn || { echo "the icon is not drawn large"; exit 1; }
[ -z "${KEEP_SHOT:-}" ] || cp "$work/shot.png" "$KEEP_SHOT"
red=$(count '#d02020')
echo "information window $(identify -format '%wx%h' "$work/shot.png"), red $red pixels"
[ "$red" -gt 15000 ] || { echo "the icon's disc is missing"; exit 1; }
# Sharp: the blue square's edge goes from red to blue within two pixels. (The logo, drawn
# from the same icon, lies in the top 70 rows.)
row=$(convert "$work/shot.png" -crop +0+70 +repage -fuzz 12% -fill white +opaque '#2040d0' \
    -fill black -opaque '#2040d0' -trim -format '%[fx:page.y+int(h/2)]|%[fx:page.x]' info:)
y=$((${row%|*} + 70)); x=${row#*|}
mixed=0
for dx in -3 -2 -1 0; do
    px=$(convert "$work/shot.png" -format "%[fx:int(255*p{$((x + dx)),$y}.r)],%[fx:int(255*p{$((x + dx)),$y}.b)]" info:)
    r=${px%,*}; b=${px#*,}
    # neither the disc's red nor the square's blue: a blurred pixel
    if ! { [ "$r" -gt 180 ] && [ "$b" -lt 70 ]; } && ! { [ "$b" -gt 180 ] && [ "$r" -lt 70 ]; }; then
        mixed=$((mixed + 1))
    fi
done
echo "blurred pixels at the square's left edge: $mixed"
[ "$mixed" -le 2 ] || { echo "the icon is blurred"; exit 1; }
# The dotted grid shows in the transparent corners of the box: black dots on white.
# The square's left edge lies 70 pixels right of the box's inner corner, its middle 132 below.
corner=$(convert "$work/shot.png" -crop 24x24+$((x - 64))+$((y - 124)) +repage -colorspace gray \
    -format '%[fx:minima]|%[fx:maxima]' info:)
echo "darkest and lightest in the box's top-left corner: $corner"
awk -F'|' '{ exit !($1 < 0.3 && $2 > 0.9) }' <<<"$corner" || { echo "no dotted grid in the box"; exit 1; }
stop_app
echo "a click on the icon shows its information window with the icon large over the dotted grid"

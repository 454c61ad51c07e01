#!/usr/bin/env bash
# Saving through the real windows: `tessaline FILE` shows an icon file of two sizes, a Ctrl+click
# on icon 0 opens the save window, Enter saves. The saved .ico holds the source's images, every
# size, pixel for pixel, and nothing else.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo xdotool icotool convert compare
start_x_server
pictures="$work/home/My Pictures"
mkdir -p "$pictures"
convert -size 48x48 xc:'#2060c0' -fill '#f0c020' -draw 'circle 24,24 24,6' "$work/big.png"
convert -size 16x16 xc:none -fill '#c02020' -draw 'rectangle 3,3 12,12' "$work/small.png"
# Named in capitals on the command line, in lower case on disk, as Windows names are written.
icotool -c -o "$work/source.ico" "$work/big.png" "$work/small.png"
source="$work/SOURCE.ICO"

HomeDrive= HomePath="$work/home" "$bin" "$source" >"$work/out.log" 2>&1 &
app=$!
main=$(wait_window "Icons from; $source")
pixels() { # pixels of the window's picture within 12% of a colour
    convert "$work/main.png" -fuzz 12% -fill black +opaque "$1" -fill white -opaque "$1" \
        -format '%[fx:int(mean*w*h+0.5)]' info:
}
# The icon is drawn: one of its images' colours covers a good part of a 32-pixel cell.
drawn() { shot "$main" "$work/main.png" && [ $(($(pixels '#2060c0') + $(pixels '#c02020'))) -gt 100 ]; }
poll drawn || { echo "the icon is not drawn"; exit 1; }
# Icon 0 sits 8 pixels into the first cell, the surface 8 pixels into the window.
xdotool mousemove --window "$main" 30 30 keydown ctrl click 1 keyup ctrl
box=$(wait_window "Save icon '0' as;")
poll sh -c "xwininfo -id $box | grep -q IsViewable" || { echo "the save window is not shown"; exit 1; }
[ -n "${TESSALINE_E2E_SHOTS:-}" ] && shot "$box" "$TESSALINE_E2E_SHOTS/save_window.png"
xdotool windowfocus --sync "$box" key Return
saved="$pictures/IconPicture_0.ico"
poll test -s "$saved" || { echo "nothing was saved"; ls -la "$pictures"; exit 1; }

# The same images in the same order, and the same pixels.
icotool -l "$work/source.ico" | sed 's/--index=[0-9]* //; s/--offset=[0-9]* //' >"$work/want.txt"
icotool -l "$saved" | sed 's/--index=[0-9]* //; s/--offset=[0-9]* //' >"$work/got.txt"
diff "$work/want.txt" "$work/got.txt" || { echo "the saved file's images differ"; exit 1; }
mkdir "$work/want" "$work/got"
icotool -x -o "$work/want" "$work/source.ico"
icotool -x -o "$work/got" "$saved"
for want in "$work/want"/*.png; do
    got="$work/got/$(basename "$want" | sed 's/^source_/IconPicture_0_/')"
    differ=$(compare -metric AE "$want" "$got" null: 2>&1 || true)
    [ "$differ" = 0 ] || { echo "$(basename "$want"): $differ pixels differ"; exit 1; }
done
echo "saved: $(tr '\n' ';' <"$work/got.txt")"
stop_app
echo "the save window saved the icon shown"

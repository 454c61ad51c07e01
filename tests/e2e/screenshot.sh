#!/usr/bin/env bash
# The main window showing the icons of a program built by real tools (the program's own icon
# first, then shapes drawn by ImageMagick) under a real X server; the picture is not blank.
# With TESSALINE_SCREENSHOT=FILE the picture is kept there (docs/screenshot.png is made so).
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo import convert compare x86_64-w64-mingw32-windres x86_64-w64-mingw32-ld
start_x_server

echo "1 ICON \"$(dirname "$bin")/tessaline.ico\"" >"$work/icons.rc"
shapes=("circle 16,16 16,2" "roundrectangle 3,3 28,28 7,7" "polygon 16,2 30,29 2,29"
    "polygon 16,1 20,12 31,12 22,19 25,30 16,23 7,30 10,19 1,12 12,12" "ellipse 16,16 14,8 0,360"
    "polygon 16,1 30,16 16,31 2,16")
for i in $(seq 0 34); do
    hue=$((i * 47 % 360))
    convert -size 32x32 xc:none -fill "hsl($hue,75%,48%)" -stroke "hsl($hue,80%,28%)" \
        -strokewidth 1.5 -draw "${shapes[$((i % ${#shapes[@]}))]}" "$work/s$i.png"
    convert "$work/s$i.png" "$work/s$i.ico"
    echo "$((i + 2)) ICON \"$work/s$i.ico\"" >>"$work/icons.rc"
done
x86_64-w64-mingw32-windres --preprocessor=cat "$work/icons.rc" -O coff -o "$work/icons.o"
x86_64-w64-mingw32-ld --subsystem windows -e 0 -o "$work/shapes.exe" "$work/icons.o"

"$bin" "$work/shapes.exe" >"$work/out.log" 2>&1 &
app=$!
id=$(wait_window "Icons from; $work/shapes.exe")
# Drawn: the shapes' many colours show, and a second picture is the same as the first.
colours() { convert "$work/shot.png" -format %k info:; }
drawn() {
    shot "$id" "$work/next.png" || return 1
    local settled
    settled=$(compare -metric AE "$work/next.png" "$work/shot.png" null: 2>&1) || true
    mv "$work/next.png" "$work/shot.png"
    [ "$settled" = 0 ] && [ "$(colours)" -gt 30 ]
}
poll drawn || true
colours=$(colours)
echo "screenshot colours: $colours"
[ "$colours" -gt 30 ] || { echo "the icons were not drawn"; exit 1; }
[ -n "${TESSALINE_SCREENSHOT:-}" ] && cp "$work/shot.png" "$TESSALINE_SCREENSHOT"
stop_app
echo "screenshot taken"

#!/usr/bin/env bash
# `tessaline FILE` on a program built by real tools (ImageMagick's icons, windres, ld) opens the
# window with the file loaded: the caption names it and the grid shows its icons, each with
# its label under it.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo import convert x86_64-w64-mingw32-windres x86_64-w64-mingw32-ld
start_x_server

# Twelve icons of twelve colours, the first red, in one 64-bit program.
colours=(red lime blue yellow magenta cyan orange purple teal navy maroon olive)
: >"$work/icons.rc"
for i in "${!colours[@]}"; do
    convert -size 32x32 "xc:${colours[$i]}" "$work/i$i.ico"
    echo "$((i + 1)) ICON \"$work/i$i.ico\"" >>"$work/icons.rc"
done
x86_64-w64-mingw32-windres --preprocessor=cat "$work/icons.rc" -O coff -o "$work/icons.o"
x86_64-w64-mingw32-ld --subsystem windows -e 0 -o "$work/Twelve Icons.exe" "$work/icons.o"
file="$work/Twelve Icons.exe"

"$bin" "$file" >"$work/out.log" 2>&1 &
app=$!
id=$(wait_window "Icons from; $file")
pixel() { convert "$work/shot.png" -format "%[pixel:p{$1,$2}]" info:; }
# The darkest grey (0 black, 1 white) under cell i's icon, where its label is printed: the surface
# starts 8 pixels in, a cell is 38 pixels wide and the label 40 pixels below its top.
label() { convert "$work/shot.png" -crop "32x12+$(($1 * 38 + 16))+48" +repage -colorspace gray -format '%[fx:minima]' info:; }
# The surface starts 8 pixels in; icon 0 sits 8 pixels into its cell, icon 1 one pitch (38) on.
drawn() {
    shot "$id" "$work/shot.png" || return 1
    first=$(pixel 32 32); second=$(pixel 70 32)
    case "$first" in *red* | *"255,0,0"*) ;; *) return 1 ;; esac
    case "$second" in *lime* | *"0,255,0"*) ;; *) return 1 ;; esac
}
poll drawn || { echo "icons 0 and 1 are not red and green: $first, $second"; exit 1; }
[ -n "${TESSALINE_E2E_SHOTS:-}" ] && cp "$work/shot.png" "$TESSALINE_E2E_SHOTS/load_file.png"
labels=
for i in $(seq 0 12); do labels="$labels $(label "$i")"; done
echo "darkest grey under cells 0 to 12:$labels"
awk -v l="$labels" 'BEGIN { n = split(l, g, " "); for (i = 1; i <= 12; i++) if (g[i] > 0.3) exit 1; exit !(g[13] > 0.9) }' ||
    { echo "a label is missing under icons 0 to 11, or one stands under cell 12"; exit 1; }
stop_app
echo "the file's icons are shown in the grid with their labels"

#!/usr/bin/env bash
# `tessaline FILE` on a program built by real tools (ImageMagick's icons, windres, ld) opens the
# window with the file loaded: the caption names it and the grid shows its icons.
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
id=
for _ in $(seq 100); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -F "\"Icons from; $file\"" | awk '{print $1}' | head -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
done
[ -n "$id" ] || { echo "no window with the caption \"Icons from; $file\""; cat "$work/out.log"; exit 1; }
sleep 0.5
import -window "$id" "$work/shot.png"
[ -n "${TESSALINE_E2E_SHOTS:-}" ] && cp "$work/shot.png" "$TESSALINE_E2E_SHOTS/load_file.png"
# The surface starts 8 pixels in; icon 0 sits 8 pixels into its cell, icon 1 one pitch (38) on.
pixel() { convert "$work/shot.png" -format "%[pixel:p{$1,$2}]" info:; }
first=$(pixel 32 32)
second=$(pixel 70 32)
echo "icon 0: $first, icon 1: $second"
case "$first" in *red* | *"255,0,0"*) ;; *) echo "icon 0 is not red"; exit 1 ;; esac
case "$second" in *lime* | *"0,255,0"*) ;; *) echo "icon 1 is not green"; exit 1 ;; esac
kill "$app"; wait "$app" 2>/dev/null || true; app=
echo "the file's icons are shown in the grid"

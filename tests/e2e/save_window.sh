#!/usr/bin/env bash
# The save window opens under a real X server for icon 0 of the program's own icon file, with its
# drive and folder lists, folder view, icon, names and types; a screenshot of it is not blank.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo import convert
start_x_server
mkdir -p "$work/home/My Pictures/old shots"
convert -size 48x48 xc:'#2060c0' -fill '#f0c020' -draw 'circle 24,24 24,6' "$work/icon.png"
if command -v icotool >/dev/null; then icotool -c -o "$work/home/My Pictures/sample.ico" "$work/icon.png"; fi
cp "$work/icon.png" "$work/home/My Pictures/picture.png"
echo notes >"$work/home/My Pictures/notes.txt"
HomeDrive= HomePath="$work/home" TESSALINE_E2E_SAVE=0 TESSALINE_E2E_SAVE_FILE="$work/home/My Pictures/sample.ico" "$bin" >"$work/out.log" 2>&1 &
app=$!
found=
for _ in $(seq 100); do
    if xwininfo -root -tree 2>/dev/null | grep -q "\"Save icon '0' as;\""; then found=1; break; fi
    sleep 0.1
done
[ -n "$found" ] || { echo "the save window did not appear"; cat "$work/out.log"; exit 1; }
sleep 1
id=$(xwininfo -root -tree | grep "\"Save icon '0' as;\"" | head -1 | awk '{print $1}')
import -window "$id" "$work/shot.png"
[ -n "${TESSALINE_SHOT:-}" ] && cp "$work/shot.png" "$TESSALINE_SHOT"
colours=$(convert "$work/shot.png" -format %k info:)
echo "screenshot colours: $colours"
[ "$colours" -gt 8 ] || { echo "the save window looks blank"; exit 1; }
kill "$app"; wait "$app" 2>/dev/null || true; app=
echo "save window shown"

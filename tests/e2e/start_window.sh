#!/usr/bin/env bash
# The program starts under a real X server, shows its main window with the instruction text,
# and a screenshot of it is not blank; at twice the scale the text is drawn at the screen's own
# resolution, not as doubled pixels.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo import convert
start_x_server 2000x1000
"$bin" >"$work/out.log" 2>&1 &
app=$!
found=
for _ in $(seq 100); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"EXE or DLL file icons."'; then found=1; break; fi
    sleep 0.1
done
[ -n "$found" ] || { echo "the main window did not appear"; cat "$work/out.log"; exit 1; }
sleep 0.5
import -window root "$work/shot.png"
colours=$(convert "$work/shot.png" -crop 800x200+0+0 -format %k info:)
echo "screenshot colours: $colours"
[ "$colours" -gt 2 ] || { echo "the window looks blank"; exit 1; }
kill "$app"; wait "$app" 2>/dev/null || true; app=

QT_SCALE_FACTOR=2 "$bin" >>"$work/out.log" 2>&1 &
app=$!
id=
for _ in $(seq 100); do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/"EXE or DLL file icons."/ {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.1
done
[ -n "$id" ] || { echo "the main window did not appear at scale 2"; cat "$work/out.log"; exit 1; }
sleep 0.5
import -window "$id" -crop 1200x300+16+16 +repage "$work/shot2.png"
# Doubled pixels would survive taking every other pixel and doubling it again unchanged.
convert "$work/shot2.png" -sample 50% -sample 200% "$work/doubled.png"
changed=$(compare -metric AE "$work/shot2.png" "$work/doubled.png" null: 2>&1 || true)
echo "scale 2: $changed pixels differ from a doubled copy"
[ "${changed%% *}" -gt 1000 ] || { echo "the text is drawn as doubled pixels at scale 2"; exit 1; }
kill "$app"; wait "$app" 2>/dev/null || true; app=
echo "main window shown with its instruction text"

#!/usr/bin/env bash
# The program starts under a real X server, shows its main window with the instruction text,
# and a screenshot of it is not blank.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo import convert
start_x_server
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
echo "main window shown with its instruction text"

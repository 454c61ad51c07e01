#!/usr/bin/env bash
# The program starts under a real X server and shows its main window with its caption and the
# instruction text: eight lines in pairs, an empty line between the pairs. At twice the scale
# the text is drawn at the screen's own resolution, not as doubled pixels.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo import convert
start_x_server 2000x1000

# The first pixel row of each band of rows holding text on the surface (8 pixels in, 184 high).
text_rows() {
    convert "$1" -crop 700x184+8+8 +repage -colorspace gray -resize '1x184!' -depth 8 txt:- |
        awk -F'[,:( ]+' 'NR > 1 { dark = ($4 < 250) } dark && !was { print $2 } { was = dark }'
}
# Eight bands, at lines 0, 1, 3, 4, 6, 7, 9 and 10 (glyphs' tops differ by a few pixels).
lines_drawn() {
    shot "$id" "$work/shot.png" || return 1
    rows=$(text_rows "$work/shot.png" | tr '\n' ' ')
    awk -v rows="$rows" 'BEGIN {
        n = split(rows, r, " "); if (n != 8) exit 1
        pitch = (r[8] - r[1]) / 10; split("0 1 3 4 6 7 9 10", want, " ")
        for (i = 1; i <= 8; i++) { d = r[i] - r[1] - want[i] * pitch; if (d > 4 || d < -4) exit 1 }
    }'
}

"$bin" >"$work/out.log" 2>&1 &
app=$!
id=$(wait_window "EXE or DLL file icons.")
poll lines_drawn || { echo "the instruction text's lines are not as drawn: rows $rows"; exit 1; }
echo "instruction lines start at rows: $rows"
stop_app

QT_SCALE_FACTOR=2 "$bin" >>"$work/out.log" 2>&1 &
app=$!
id=$(wait_window "EXE or DLL file icons.")
doubled() {
    import -window "$id" -crop 1200x300+16+16 +repage "$work/shot2.png" || return 1
    # Doubled pixels would survive taking every other pixel and doubling it again unchanged.
    convert "$work/shot2.png" -sample 50% -sample 200% "$work/doubled.png"
    changed=$(compare -metric AE "$work/shot2.png" "$work/doubled.png" null: 2>&1 || true)
    [ "${changed%% *}" -gt 1000 ]
}
poll doubled || { echo "the text is drawn as doubled pixels at scale 2: $changed differ"; exit 1; }
echo "scale 2: $changed pixels differ from a doubled copy"
stop_app
echo "main window shown with its caption and instruction text"

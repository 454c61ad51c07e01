#!/usr/bin/env bash
# The program starts under a real X server and shows its main window with its caption and the
# instruction text: eight lines in pairs, an empty line between the pairs. At twice the scale
# the text is drawn at the screen's own resolution, not as doubled pixels. A message raised while
# the window is being placed by a window manager stands centred on the window, at both scales.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib/x_server.sh"
need_tools Xvfb xwininfo import convert openbox
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

# Under a window manager, which places the main window after the program has shown it.
openbox >/dev/null 2>&1 &
wm=$!
poll sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
printf 'not an icon file' >"$work/notes.txt"
centre() { # the centre of a window's frame: its client area and the frame's extents
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
        /Width:/ {w = $2} /Height:/ {h = $2} END {print x + w / 2, y + h / 2}'
}
for scale in 1 2; do
    QT_SCALE_FACTOR=$scale "$bin" "$work/notes.txt" >>"$work/out.log" 2>&1 &
    app=$!
    main=$(wait_window "EXE or DLL file icons.")
    box=$(wait_window "Tessaline - File type not supported.")
    placed() {
        read -r mx my <<<"$(centre "$main")" && read -r bx by <<<"$(centre "$box")" &&
            awk -v d="$mx $my $bx $by" 'BEGIN { split(d, c, " "); dx = c[1] - c[3]; dy = c[2] - c[4]
                exit !(dx * dx <= 16 && dy * dy <= 400) }'
    }
    poll placed || { echo "scale $scale: the message's centre $bx,$by is not the window's, $mx,$my"; exit 1; }
    echo "scale $scale: message centred at $bx,$by on the window's $mx,$my"
    stop_app
done
kill "$wm"
echo "main window shown with its caption and instruction text; a start-up message centred on it"

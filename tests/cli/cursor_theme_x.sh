#!/usr/bin/env bash
# A written cursor theme as an X client meets it: XCURSOR_PATH and XCURSOR_THEME name it, and
# the cursors are loaded by their freedesktop names under Xvfb.
set -euo pipefail
bin=${1:?usage: cursor_theme_x.sh PROGRAM LOADER}
loader=${2:?usage: cursor_theme_x.sh PROGRAM LOADER}
. "$(dirname "$0")/../e2e/lib/x_server.sh"
need_tools Xvfb xwininfo
start_x_server

# A 1 x 1 cursor, hotspot 0,0: the directory, then a 32-bit DIB with its mask. No other theme
# has one so small.
mkdir "$work/scheme"
printf '\0\0\2\0\1\0\1\1\0\0\0\0\0\0\60\0\0\0\26\0\0\0' >"$work/scheme/Normal Select.cur"
printf '\50\0\0\0\1\0\0\0\2\0\0\0\1\0\40\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' \
    >>"$work/scheme/Normal Select.cur"
printf '\1\2\3\377\0\0\0\0' >>"$work/scheme/Normal Select.cur"
cp "$work/scheme/Normal Select.cur" "$work/scheme/busy.cur"
cp "$work/scheme/Normal Select.cur" "$work/scheme/Text Select.cur"
"$bin" --cursor-theme=Written -o "$work/icons" "$work/scheme" 2>"$work/err"

got=$(XCURSOR_PATH="$work/icons" XCURSOR_THEME=Written "$loader" left_ptr watch text)
expected='left_ptr: 1x1@0,0 shown
watch: 1x1@0,0 shown
text: 1x1@0,0 shown'
[ "$got" = "$expected" ] || { echo "the X client got: $got" >&2; exit 1; }

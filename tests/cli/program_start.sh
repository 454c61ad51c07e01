#!/usr/bin/env bash
# The program as a file manager or a script meets it: no command-line action loads Qt, and where
# no window can open it says why in one line.
set -uo pipefail
bin=${1:?usage: program_start.sh PROGRAM}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "program_start: $*" >&2; failures=$((failures + 1)); }

# A 1 x 1 icon: the directory, then a 32-bit DIB with its mask.
printf '\0\0\1\0\1\0\1\1\0\0\1\0\40\0\60\0\0\0\26\0\0\0' >"$work/a.ico"
printf '\50\0\0\0\1\0\0\0\2\0\0\0\1\0\40\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >>"$work/a.ico"
printf '\1\2\3\377\0\0\0\0' >>"$work/a.ico"

ldd "$bin" | grep -i 'libQt' && fail "the program links Qt"
# libXcursor and the X libraries under it are opened only when an Xcursor is written.
ldd "$bin" | grep -i 'libX' && fail "the program links X libraries"
for action in "--version" "--help" "--list $work/a.ico" "--list --json $work/a.ico" \
    "--extract -o $work $work/a.ico" "--extract --format=png -o $work $work/a.ico" \
    "--thumbnail $work/a.ico $work/t.png 32" "--extract --format=gif -o $work $work/a.ico" \
    "--cursor-theme=T -o $work $work" "--bogus"; do
    # shellcheck disable=SC2086
    LD_DEBUG=libs "$bin" $action 2>&1 >/dev/null | grep -q 'libQt' && fail "$action loads Qt"
done
[ -s "$work/a_0.png" ] && [ -s "$work/t.png" ] || fail "the actions wrote nothing"

expect() { # expect STATUS STDERR COMMAND...: the exit status and the whole of standard error
    local status=$1 text=$2
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" = "$status" ] || fail "$*: exit status $got, not $status"
    [ "$(cat "$work/err")" = "$text" ] || fail "$*: said '$(cat "$work/err")'"
    [ ! -s "$work/out" ] || fail "$*: printed '$(cat "$work/out")'"
}
line='tessaline: no display found (DISPLAY is not set); use --help for the command line'
expect 1 "$line" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin"
expect 1 "$line" env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$bin" "$work/a.ico"
expect 1 "$line" env DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM='wayland;xcb' "$bin" -- --list
# A display that is named but not there: one line too, not Qt's page of plugin advice.
expect 1 "tessaline: can't open the display :9999; use --help for the command line" \
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9999 "$bin" "$work/a.ico"

# The windows' library is looked for beside the program, then where it is installed.
mkdir -p "$work/prefix/bin" "$work/prefix/lib/tessaline"
cp "$bin" "$work/prefix/bin/"
expect 1 "tessaline: cannot open the windows' library $work/prefix/bin/../lib/tessaline/libtessaline_ui.so: No such file or directory" \
    env QT_QPA_PLATFORM=offscreen "$work/prefix/bin/tessaline"
cp "$(dirname "$bin")/libtessaline_ui.so" "$work/prefix/lib/tessaline/"
for program in "$bin" "$work/prefix/bin/tessaline"; do
    QT_QPA_PLATFORM=offscreen timeout 5 "$program" "$work/a.ico" >/dev/null 2>&1
    [ $? = 124 ] || fail "$program: the window did not stay open"
done
exit $((failures > 0))

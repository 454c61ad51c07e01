#!/usr/bin/env bash
# Which folder may include which. Fails, naming each file and line, when a folder includes one it
# must not: the windows' modules (grid, loading, info, save) never include one another nor the
# main window; only the engine, its tests and the fuzz target include the engine's own headers.
# Usage: layout_check.sh SOURCE_DIR
set -u
root="${1:-$(dirname "$0")/..}"
cd "$root" || exit 2

# The folders a folder may include from, besides its own.
declare -A allowed=(
    [app]="grid loading info save forms fs tessaline"
    [grid]="forms fs tessaline" [loading]="forms fs tessaline" [info]="forms fs tessaline"
    [save]="forms fs tessaline"
    [forms]="fs tessaline"
    [fs]=""
    [cli]="fs tessaline"
    [icons]="tessaline"
    [python]="tessaline"
)

status=0
# check FOLDER OWNER ALLOWED...: every quoted include in FOLDER names OWNER, "support/" (tests
# only) or an allowed folder.
check() {
    local folder="$1" owner="$2" extra="$3"
    shift 3
    [ -d "$folder" ] || return 0
    while IFS= read -r hit; do
        local target="${hit#*#include \"}"
        target="${target%%/*}"
        local ok=0
        for a in "$owner" "$@" $extra; do
            [ "$target" = "$a" ] && ok=1
        done
        if [ "$ok" = 0 ]; then
            echo "layout: $folder may not include $target/: ${hit%%:#include*}" >&2
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"/]+/' "$folder" \
                 --include='*.h' --include='*.cpp' --include='*.in' | sed -E 's/#[[:space:]]*include[[:space:]]+/#include /')
}

for folder in "${!allowed[@]}"; do
    # shellcheck disable=SC2086
    check "src/$folder" "$folder" "" ${allowed[$folder]}
done
# The windows' tests use what their module may, and the test support.
for folder in app grid loading info save; do
    # shellcheck disable=SC2086
    check "tests/$folder" "$folder" "support" ${allowed[$folder]}
done
# The program itself: the command line only (it opens the windows' library at run time).
while IFS= read -r hit; do
    echo "layout: src/main.cpp may not include: $hit" >&2
    status=1
done < <(grep -nE '#include "' src/main.cpp | grep -vE '#include "cli/')
# Anything else in src/ is a folder nobody has placed.
for d in src/*/; do
    d="${d%/}"
    [ -n "${allowed[${d#src/}]+x}" ] || { echo "layout: src/${d#src/} has no place in the layout" >&2; status=1; }
done
# The engine's own headers stay the engine's.
while IFS= read -r hit; do
    echo "layout: only the engine, its tests and fuzz include icons/: $hit" >&2
    status=1
done < <(grep -rnE '#[[:space:]]*include[[:space:]]+"icons/' src tests bench examples 2>/dev/null |
             grep -vE '^(src/icons|tests/icons)/')
[ "$status" = 0 ] && echo "layout: every include is in its place"
exit "$status"

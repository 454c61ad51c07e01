#!/usr/bin/env bash
# cmake --install into a temporary root: the program, its icon, desktop entry, MIME type and
# thumbnailer land where a desktop looks for them, and the installed program works from there.
set -euo pipefail
build=${TESSALINE_BUILD_DIR:?}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" >/dev/null
prefix=$root$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
fail() { echo "install: $*" >&2; exit 1; }

for f in bin/tessaline share/tessaline/tessaline.ico share/applications/tessaline.desktop \
    share/thumbnailers/tessaline.thumbnailer share/mime/packages/tessaline.xml \
    share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/tessaline.png; do
    [ -f "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/tessaline" ] || fail "the program is not executable"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/tessaline.desktop" || fail "desktop entry"
fi
grep -qx 'Exec=tessaline %f' "$prefix/share/applications/tessaline.desktop" || fail "Exec line"
grep -q '^Exec=tessaline --thumbnail %i %o %s$' "$prefix/share/thumbnailers/tessaline.thumbnailer" ||
    fail "thumbnailer Exec line"

# The installed program reports its version and reads its own installed icon.
"$prefix/bin/tessaline" --version | grep -qx 'Tessaline 0.0.0.7' || fail "--version"
"$prefix/bin/tessaline" --list --json "$prefix/share/tessaline/tessaline.ico" |
    grep -q '"width": 256, "height": 256, "bits": 32, "format": "png"' || fail "its icon"
# The thumbnailer's command on the installed icon gives a PNG of the size asked.
"$prefix/bin/tessaline" --thumbnail "$prefix/share/tessaline/tessaline.ico" "$root/t.png" 128
[ "$(head -c 8 "$root/t.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "thumbnail"
echo "install: ok"

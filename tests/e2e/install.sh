#!/usr/bin/env bash
# cmake --install into a temporary prefix, on a desktop of its own (XDG folders) where a Wine-like
# entry already runs Windows programs: that entry stays the default, Tessaline is offered for dll,
# ico, cur and ani files, the thumbnailer's Exec line from the installed .thumbnailer file draws
# each of them at 128 and 256 as a file manager runs it, and the uninstall target leaves nothing.
set -euo pipefail
build=${TESSALINE_BUILD_DIR:?}
for tool in xdg-mime gio update-desktop-database update-mime-database desktop-file-validate \
    appstreamcli icotool convert identify x86_64-w64-mingw32-windres x86_64-w64-mingw32-ld; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool missing"; exit 0; }
done
fail() { echo "install: $*" >&2; exit 1; }
t=$(mktemp -d)
prefix=$t/prefix
# The build folder's record of its own last install is put back afterwards.
for f in install_manifest.txt install_record.cmake; do
    [ -e "$build/$f" ] && mv "$build/$f" "$t/$f"
done
restore() {
    for f in install_manifest.txt install_record.cmake; do
        rm -f "$build/$f"
        [ -e "$t/$f" ] && mv "$t/$f" "$build/$f"
    done
    rm -rf "$t"
}
trap restore EXIT

# The desktop: the shared MIME database and a Wine-like entry (its program on PATH, as GIO asks).
export XDG_DATA_HOME=$t/home XDG_CONFIG_HOME=$t/config XDG_CONFIG_DIRS=$t/config
export XDG_DATA_DIRS=$prefix/share:$t/system PATH=$prefix/bin:$t/bin:$PATH
export LC_ALL=C.UTF-8 # gio's texts untranslated, its quotes as written below
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION KDE_SESSION_VERSION
mkdir -p "$t/system/applications" "$t/system/mime/packages" "$t/bin" "$t/home" "$t/config" "$t/files"
cp /usr/share/mime/packages/freedesktop.org.xml "$t/system/mime/packages/"
update-mime-database "$t/system/mime"
printf '#!/bin/sh\n' >"$t/bin/wine" && chmod +x "$t/bin/wine"
cat >"$t/system/applications/wine.desktop" <<'EOF'
[Desktop Entry]
Type=Application
Name=Wine Windows Program Loader
Exec=wine start /unix %f
MimeType=application/x-ms-dos-executable;application/x-msi;application/x-ms-shortcut;
NoDisplay=true
EOF
update-desktop-database "$t/system/applications"
programs=application/x-ms-dos-executable
[ "$(xdg-mime query default $programs)" = wine.desktop ] || fail "Wine-like entry not the default"

cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$(xdg-mime query default $programs)" = wine.desktop ] ||
    fail "the default for Windows programs is now $(xdg-mime query default $programs)"
desktop-file-validate "$prefix/share/applications/tessaline.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/org.example.tessaline.metainfo.xml" >/dev/null ||
    fail "AppStream metadata"
[ -f "$prefix/share/man/man1/tessaline.1.gz" ] || fail "no man page"
[ ! -e "$build/libtessaline_ui.so" ] || [ -f "$prefix/lib/tessaline/libtessaline_ui.so" ] ||
    fail "the window library is not installed"
"$prefix/bin/tessaline" --version | head -n 1 | grep -qx 'Tessaline 0.0.0.7' || fail "--version"

# One file of each kind: 16 (lime), 32 (blue) and 256 (red) pixel images.
cd "$t/files"
convert -size 16x16 xc:lime 16.png && convert -size 32x32 xc:blue 32.png
convert -size 256x256 xc:red 256.png
icotool -c -o a.ico 16.png 32.png -r 256.png
icotool -c --cursor --hotspot-x=3 --hotspot-y=4 -o a.cur 16.png 32.png -r 256.png
echo '1 ICON "a.ico"' >a.rc
x86_64-w64-mingw32-windres --preprocessor=cat a.rc -O coff -o a.o
x86_64-w64-mingw32-ld -shared --subsystem windows -e 0 -o a.dll a.o
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24)))"; }
cur=$(stat -c %s a.cur)
{   # RIFF ACON: a header (one frame, stored as an icon) and a frame list holding the cursor.
    printf RIFF; le32 $((4 + 44 + 12 + 8 + cur)); printf ACON
    printf anih; le32 36; for v in 36 1 1 0 0 0 0 10 1; do le32 $v; done
    printf LIST; le32 $((4 + 8 + cur)); printf fram; printf icon; le32 "$cur"; cat a.cur
} >a.ani

# The desktop's type for each file, and the applications it offers for that type.
listing=
for f in a.dll a.ico a.cur a.ani; do
    type=$(gio info -a standard::content-type "$f" | sed -n 's/^ *standard::content-type: //p')
    listing+="$f $type"$'\n'"$(gio mime "$type")"$'\n'
done
expected="a.dll application/x-msdownload
Default application for “application/x-msdownload”: tessaline.desktop
Registered applications:
	tessaline.desktop
	wine.desktop
Recommended applications:
	tessaline.desktop
"
for kind in "a.ico image/vnd.microsoft.icon" "a.cur image/x-win-bitmap" "a.ani application/x-navi-animation"; do
    expected+="$kind
Default application for “${kind#* }”: tessaline.desktop
Registered applications:
	tessaline.desktop
Recommended applications:
	tessaline.desktop
"
done
[ "$listing" = "$expected" ] || fail "offered applications:"$'\n'"$listing"

# The thumbnailer as a file manager runs it: its Exec line, %i %o %s filled in, a bare environment.
read -ra exec_line < <(sed -n 's/^Exec=//p' "$prefix/share/thumbnailers/tessaline.thumbnailer")
thumbs=
for f in a.dll a.ico a.cur a.ani; do
    for size in 128 256; do
        argv=()
        for word in "${exec_line[@]}"; do
            case $word in %i) word=$t/files/$f ;; %o) word=$t/thumb.png ;; %s) word=$size ;; esac
            argv+=("$word")
        done
        rm -f "$t/thumb.png"
        env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$t/home" ASAN_OPTIONS="${ASAN_OPTIONS:-}" \
            LSAN_OPTIONS="${LSAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "${argv[@]}" ||
            fail "thumbnailer failed on $f at $size"
        thumbs+="$f $size $(identify -format '%m %wx%h' "$t/thumb.png") $(convert "$t/thumb.png" \
            -gravity center -crop 1x1+0+0 -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' info:)"$'\n'
    done
done
expected=
for f in a.dll a.ico a.cur a.ani; do
    expected+="$f 128 PNG 128x128 255,0,0"$'\n'"$f 256 PNG 256x256 255,0,0"$'\n'
done
[ "$thumbs" = "$expected" ] || fail "thumbnails:"$'\n'"$thumbs"

cd "$t"
cmake --build "$build" --target uninstall >/dev/null
[ ! -e "$prefix" ] || fail "left after uninstall: $(find "$prefix" | tr '\n' ' ')"
[ "$(xdg-mime query default $programs)" = wine.desktop ] || fail "default changed after uninstall"
echo "install: ok"

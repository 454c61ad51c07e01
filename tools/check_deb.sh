#!/usr/bin/env bash
# Makes the Debian package from BUILD (cpack -G DEB), shows its control data, has lintian check
# it (errors fail), then as root installs it with apt-get, checks that the triggers refreshed the
# MIME database and the desktop entries' cache, purges it and checks that nothing of it is left.
set -euo pipefail
build=$(cd "${1:?usage: check_deb.sh BUILD-FOLDER}" && pwd)
fail() { echo "check_deb: $*" >&2; exit 1; }
(cd "$build" && cpack -G DEB >&2)
deb=$(ls "$build"/tessaline_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6 (>=' || fail "no worked-out dependencies"
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" 2>&1 | grep -v '^running with root privileges' || true
    lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"
fi
[ "$(id -u)" -eq 0 ] || { echo "check_deb: not root, package not installed"; exit 0; }

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >&2
files=$(dpkg -L tessaline)
tessaline --version >/dev/null || fail "the installed program does not run"
[ -f /usr/share/mime/application/x-msdownload.xml ] || fail "MIME database not refreshed"
grep -q '^image/vnd.microsoft.icon=.*tessaline.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "desktop entries' cache not refreshed"
apt-get purge -y -qq tessaline >&2
left=
for f in $files; do
    [ -e "$f" ] || continue
    # Folders other packages own stay (/usr/share/icons/hicolor/48x48/apps ...).
    [ -d "$f" ] && dpkg -S "$f" >/dev/null 2>&1 && continue
    left+=" $f"
done
[ -z "$left" ] || fail "left after purge:$left"
[ ! -e /usr/share/mime/application/x-msdownload.xml ] || fail "MIME type left after purge"
! grep -q 'tessaline.desktop' /usr/share/applications/mimeinfo.cache || fail "desktop cache left"
echo "check_deb: installed, refreshed, purged; nothing left"

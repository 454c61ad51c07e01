#!/usr/bin/env bash
# Shared set-up for run.sh and test.sh: install the Debian packages that are missing, configure
# and build. Sourced, not run. Everything it prints goes to standard error, so that the
# program's own output (./run.sh --list --json FILE) stays alone on standard output.
set -euo pipefail

TESS_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Building and running the program; the windows are sized for the Liberation fonts, which the
# tests check by measuring them, so test.sh installs them too.
TESS_RUN_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libpng-dev libgif-dev
    libcli11-dev nlohmann-json3-dev libstb-dev libxcursor-dev fonts-liberation2 fontconfig
    help2man libssl-dev)
# Testing it as well: GoogleTest, Google Benchmark, the end-to-end checks' X server, window manager
# (which places windows as a desktop does) and tools, files made by real tools (icoutils,
# windres), the fuzz target's clang, Pillow (the oracle of the icon hash), and the checks of the
# installed desktop entry, MIME type and AppStream metadata; the Python module (built where its
# development files are there), its tests and the Dask example.
TESS_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth x11-utils imagemagick
    icoutils binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 clang-14 libclang-rt-14-dev
    desktop-file-utils shared-mime-info xdg-utils libglib2.0-bin appstream xdotool python3-pil
    openbox x11-apps python3-dev pybind11-dev python3-pytest python3-distributed)
# CI checks the C++ files' format and makes the Debian package too (shlibdeps comes with dpkg-dev)
# and checks it with lintian.
TESS_CI_PACKAGES=(dpkg-dev lintian clang-format-14)

# tess_install_missing PACKAGE...: installs those not installed (as root), or prints the line to run.
tess_install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq >&2
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
    else
        echo "Missing packages. Run this once, then try again:" >&2
        echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
}

# tess_configure DIR [CMAKE-ARGUMENT...]: configures DIR (Ninja, RelWithDebInfo, ccache when present).
tess_configure() {
    local dir="$1"
    shift
    local args=(-S "$TESS_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    if command -v ccache >/dev/null; then
        args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake "${args[@]}" "$@" >/dev/null
}

# tess_build DIR [TARGET...]: builds those targets of DIR (all when none is named).
tess_build() {
    local dir="$1"
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$dir" -j "$(nproc)" "${targets[@]}" >&2
}

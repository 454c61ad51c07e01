#!/usr/bin/env bash
# Shared set-up for run.sh and test.sh: install what is missing, configure, build into build/.
# Sourced, not run. Honours CI=true (warnings as errors, sanitizers).
set -euo pipefail

TESS_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TESS_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev
    libbenchmark-dev libpng-dev libgif-dev libcli11-dev nlohmann-json3-dev libstb-dev fonts-liberation2 fontconfig xvfb xauth imagemagick
    icoutils binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 clang-14 libclang-rt-14-dev
    desktop-file-utils x11-utils xdotool)

tess_install_missing() {
    local missing=()
    for p in "${TESS_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        echo "Missing packages. Run this once, then try again:"
        echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}"
        exit 1
    fi
}

tess_build() {
    local args=(-S "$TESS_ROOT" -B "$TESS_ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    if [ "${CI:-}" = "true" ]; then
        args+=(-DTESSALINE_WERROR=ON -DTESSALINE_SANITIZE=ON)
    fi
    cmake "${args[@]}" >/dev/null
    cmake --build "$TESS_ROOT/build" -j "$(nproc)"
}

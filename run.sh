#!/usr/bin/env bash
# Installs what building and running need, builds the program alone into build/ (no tests, no
# benchmarks) and runs build/tessaline with the arguments given: a file to show, or a
# command-line action. Set-up and build output go to standard error.
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
tess_install_missing "${TESS_RUN_PACKAGES[@]}"
tess_configure "$TESS_ROOT/build" -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF \
    -DTESSALINE_WERROR=OFF -DTESSALINE_SANITIZE=OFF
tess_build "$TESS_ROOT/build" tessaline tessaline_ui
exec "$TESS_ROOT/build/tessaline" "$@"

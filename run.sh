#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts build/tessaline (with FILE if given).
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
tess_install_missing
tess_build
exec "$TESS_ROOT/build/tessaline" "$@"

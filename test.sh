#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test through CTest.
# With CI=true: warnings are errors, tests run under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz target runs for a bounded time first.
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
tess_install_missing
tess_build
if [ "${CI:-}" = "true" ] && [ -x "$TESS_ROOT/fuzz/run.sh" ]; then
    "$TESS_ROOT/fuzz/run.sh" "${TESS_FUZZ_SECONDS:-60}"
fi
cd "$TESS_ROOT/build"
ctest --output-on-failure -j "$(nproc)"

#!/usr/bin/env bash
# Installs what building and testing need, builds everything (benchmarks too) into build-test/
# and runs every test through CTest. With CI=true it first checks that every C++ file is as
# clang-format writes it, builds into build-ci/ instead, with warnings as errors and
# AddressSanitizer and UndefinedBehaviorSanitizer, runs the fuzz target for a bounded time
# first, then the engine's tests under ThreadSanitizer (build-tsan/), and afterwards makes the Debian package and checks it (tools/check_deb.sh).
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
tess_install_missing "${TESS_RUN_PACKAGES[@]}" "${TESS_TEST_PACKAGES[@]}"
build=$TESS_ROOT/build-test
if [ "${CI:-}" = "true" ]; then
    tess_install_missing "${TESS_CI_PACKAGES[@]}"
    build=$TESS_ROOT/build-ci
    # Every C++ file of the tree is as clang-format (config at the root) writes it.
    (cd "$TESS_ROOT" && find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' |
        sort | xargs clang-format-14 --dry-run --Werror)
    tess_configure "$build" -DTESSALINE_BENCH=ON -DTESSALINE_WERROR=ON -DTESSALINE_SANITIZE=ON
else
    tess_configure "$build" -DTESSALINE_BENCH=ON
fi
tess_build "$build"
if [ "${CI:-}" = "true" ] && [ -x "$TESS_ROOT/fuzz/run.sh" ]; then
    "$TESS_ROOT/fuzz/run.sh" "${TESS_FUZZ_SECONDS:-60}"
fi
if [ "${CI:-}" = "true" ]; then
    # The engine read from eight threads at once under ThreadSanitizer, with its other tests:
    # any report fails the run.
    tsan=$TESS_ROOT/build-tsan
    tess_configure "$tsan" -DTESSALINE_TSAN=ON -DTESSALINE_WERROR=ON -DTESSALINE_BENCH=OFF
    tess_build "$tsan" test_icons
    (cd "$tsan/tests" && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ./test_icons)
fi
(cd "$build" && ctest --output-on-failure -j "$(nproc)")
if [ "${CI:-}" = "true" ]; then
    "$TESS_ROOT/tools/check_deb.sh" "$build"
fi

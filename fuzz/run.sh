#!/usr/bin/env bash
# Builds fuzz_icons with clang-14 in build-fuzz and runs it for SECONDS (default 60).
# Exits non-zero on any crash, leak, timeout or sanitizer report. An input that fails belongs in
# fuzz/regressions once fixed: every run starts by replaying each file there.
set -euo pipefail
duration=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DTESSALINE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_icons fuzz_seeds

corpus=$build/corpus
seeds=$build/seeds
artifacts=$build/artifacts
mkdir -p "$corpus" "$seeds" "$artifacts"
"$build/fuzz/fuzz_seeds" "$seeds"

log=$build/fuzz.log
set +e
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    "$build/fuzz/fuzz_icons" -max_total_time="$duration" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -dict="$root/fuzz/icons.dict" \
    -artifact_prefix="$artifacts/" "$corpus" "$seeds" "$root/fuzz/regressions" \
    >"$log" 2>&1
status=$?
set -e
tail -n 25 "$log"
if [ "$status" -ne 0 ] ||
    grep -qE "ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:" "$log"; then
    echo "fuzz_icons: FAILED (exit $status); artifacts in $artifacts" >&2
    exit 1
fi
echo "fuzz_icons: no findings in ${duration}s"

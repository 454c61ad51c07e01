#!/usr/bin/env bash
# Times the program against icoutils' wrestool on the same files in one run:
#   --list                          against  wrestool -l
#   --extract --format ico -o DIR   against  wrestool -x --type=14 -o DIR
# and checks that both find the same icons. Run after a build: bench/peers.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
bin=$build/tessaline
runs=${RUNS:-7}
command -v wrestool >/dev/null || { echo "wrestool (icoutils) is not installed"; exit 1; }
[ -x "$bin" ] && [ -x "$build/bench/bench_make_files" ] || { echo "build first: ./test.sh"; exit 1; }

# Work in memory where there is a tmpfs: the times are then the programs', not the disk's.
work=$(mktemp -d -p "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
"$build/bench/bench_make_files" "$work/corpus" >/dev/null
# Real programs and libraries on this machine, where there are any.
mapfile -t real < <(find /usr /opt /root -xdev -type f \( -iname '*.exe' -o -iname '*.dll' \) \
    -size +2k 2>/dev/null | head -n 60 || true)
for f in "${real[@]}"; do
    cp "$f" "$work/corpus/real_$(echo "$f" | md5sum | cut -c1-8)_$(basename "$f")"
done
files=("$work"/corpus/*)

# The median wall time of a command over $runs runs, in milliseconds; $prepare (untimed) runs
# before each.
prepare=true
median_ms() {
    local times=() t0 t1
    for _ in $(seq "$runs"); do
        $prepare
        t0=$(date +%s%N)
        "$@" >/dev/null 2>&1 || true
        t1=$(date +%s%N)
        times+=($(((t1 - t0) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p" | awk '{printf "%.1f", $1 / 1000}'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", b / a}'; }

echo "${#files[@]} files, median of $runs runs"
a=$(median_ms "$bin" --list "${files[@]}")
b=$(median_ms wrestool -l "${files[@]}")
echo "list:    tessaline ${a} ms   wrestool ${b} ms   tessaline is $(ratio "$a" "$b")x as fast"

# Each run writes into a fresh empty folder, made before the clock starts.
fresh() { rm -rf "$work/ours" "$work/theirs"; mkdir "$work/ours" "$work/theirs"; }
extract_ours() { "$bin" --extract --format ico -o "$work/ours" "$@"; }
extract_theirs() { wrestool -x --type=14 -o "$work/theirs" "$@"; }
prepare=fresh
a=$(median_ms extract_ours "${files[@]}")
b=$(median_ms extract_theirs "${files[@]}")
prepare=true
echo "extract: tessaline ${a} ms   wrestool ${b} ms   tessaline is $(ratio "$a" "$b")x as fast"

# The same icons, byte for byte: compare the sets of contents, each file up to the end of its
# last image (wrestool keeps the padding that follows the last image in the program).
fresh
extract_ours "${files[@]}" >/dev/null 2>&1 || true
extract_theirs "${files[@]}" >/dev/null 2>&1 || true
digests() {
    python3 - "$1" <<'PY'
import hashlib, os, struct, sys
for name in sorted(os.listdir(sys.argv[1])):
    d = open(os.path.join(sys.argv[1], name), "rb").read()
    n = struct.unpack_from("<H", d, 4)[0]
    end = max([6] + [sum(struct.unpack_from("<II", d, 14 + 16 * i)) for i in range(n)])
    print(hashlib.md5(d[:end]).hexdigest())
PY
}
ours=$(digests "$work/ours" | sort)
theirs=$(digests "$work/theirs" | sort)
echo "icons written: tessaline $(echo "$ours" | grep -c . || true), wrestool $(echo "$theirs" | grep -c . || true)," \
    "identical: $(comm -12 <(echo "$ours") <(echo "$theirs") | grep -c . || true)"

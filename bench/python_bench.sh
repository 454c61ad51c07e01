#!/usr/bin/env bash
# Times the Python module, side by side in one run (wall-clock seconds, and each as a share of the
# one it is measured against):
#   tessaline.scan from one Python thread over DIR's files   against  tessaline --list --jsonl of
#   (COPIES times)                                            the same list (-j 1, and -j N)
#   tessaline.scan(hashes=True) from one thread, and --hashes against  bench/pefile_pillow_dhash.py
#   -j 1, over DIR                                            (pefile and Pillow, -j 1)
#   examples/dask_scan.py --hashes on 2 local workers         against  the same on 1 worker, over
#                                                             DIR's files listed COPIES times
#   bench/python_bench.sh [BUILD] [DIR]   BUILD (default build/) holds the program and python/;
#                                         DIR defaults to the 64-bit Windows folder of libwine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
dir=${2:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
copies=${COPIES:-3}
python=/usr/bin/python3
program=$build/tessaline
[ -x "$program" ] || { echo "no program at $program: build first"; exit 1; }
ls "$build"/python/tessaline.*.so >/dev/null 2>&1 || { echo "no Python module in $build/python"; exit 1; }
[ -d "$dir" ] || { echo "no folder $dir (apt-get install libwine)"; exit 1; }
export PYTHONPATH=$build/python
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
find "$dir" -type f | LC_ALL=C sort >"$work/files"
for _ in $(seq "$copies"); do cat "$work/files"; done >"$work/copies"
echo "$(wc -l <"$work/files") files in $dir ($(du -sh "$dir" | cut -f1)); Dask over $(wc -l <"$work/copies")"

seconds() { # seconds COMMAND...: the wall-clock time of one run, output discarded
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    awk "BEGIN { print $t1 - $t0 }"
}
cat >"$work/scan.py" <<'PY'
import sys, time, tessaline
hashes = sys.argv[2] == "1"
with open(sys.argv[1], "rb") as f:
    paths = f.read().splitlines()
t0 = time.perf_counter()
for path in paths:
    try:
        tessaline.scan(path, hashes=hashes)
    except OSError:
        pass
print(time.perf_counter() - t0)  # the scans alone, without the interpreter's start
PY
row() { printf '%-64s %8.2f s %6.2fx\n' "$1" "$2" "$(awk "BEGIN { print $2 / $3 }")"; }

xargs -d '\n' cat <"$work/files" >/dev/null # (every run finds the files in the page cache)
# Over the files listed COPIES times, so that the times are not the processes' starts.
cli1=$(seconds "$program" --list --jsonl -j 1 --files-from "$work/copies")
clin=$(seconds "$program" --list --jsonl --files-from "$work/copies")
scan=$(seconds "$python" "$work/scan.py" "$work/copies" 0)
scanloop=$("$python" "$work/scan.py" "$work/copies" 0)
row "tessaline --list --jsonl -j 1, the files $copies times" "$cli1" "$cli1"
row "tessaline --list --jsonl (all processors)" "$clin" "$cli1"
row "tessaline.scan, one thread, with python3's start" "$scan" "$cli1"
row "tessaline.scan, one thread, the scans alone (goal <= 1.3x)" "$scanloop" "$cli1"
cli1h=$(seconds "$program" --list --jsonl --hashes -j 1 -r "$dir")
scanh=$(seconds "$python" "$work/scan.py" "$work/files" 1)
peer=$(seconds "$python" "$root/bench/pefile_pillow_dhash.py" -j 1 "$dir")
row "pefile and Pillow, one process" "$peer" "$peer"
row "tessaline --list --jsonl --hashes -j 1 -r" "$cli1h" "$peer"
row "tessaline.scan(hashes=True), one thread (goal <= 0.1x)" "$scanh" "$peer"
dask1=$(seconds "$python" "$root/examples/dask_scan.py" --workers 1 --hashes --files-from "$work/copies")
dask2=$(seconds "$python" "$root/examples/dask_scan.py" --workers 2 --hashes --files-from "$work/copies")
row "dask_scan.py --hashes, 1 worker" "$dask1" "$dask1"
row "dask_scan.py --hashes, 2 workers (goal: 1 worker / 2 >= 1.5)" "$dask2" "$dask1"
echo "2 workers are $(awk "BEGIN { printf \"%.2f\", $dask1 / $dask2 }") times as fast as 1 ($(nproc) processors)"

#!/usr/bin/env bash
# Times the program against its peers on the same files in one run (medians of $RUNS runs), and
# prints each time as a share of the peer's (0.35 means the program takes 35 % of the peer's time):
#   --list FILES                     wrestool -l --type=14 FILES: the corpus in one process, its
#                                    largest file alone, and one process per file
#   --version                        wrestool --version
#   --extract --format ico -o DIR    wrestool -x --type=14 -o DIR
#   --extract --format png -o DIR    wrestool -x --type=14, then icotool -x of each icon's largest
#                                    image (the image the program writes)
#   --thumbnail FILE OUT 256         exe-thumbnailer -s 256 FILE OUT (icoextract), once per file
# and checks that the program and wrestool write the same icons.
#   bench/peers.sh [BUILD] [BEFORE]  BUILD (default build/) holds the program and bench_make_files;
#                                    BEFORE, another build of the program timed in the same run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-7}
slow_runs=${SLOW_RUNS:-3} # for exe-thumbnailer, a Python program
programs=("$build/tessaline")
names=(after)
if [ -n "${2:-}" ]; then
    programs=("$2/tessaline" "$build/tessaline")
    names=(before after)
fi
command -v wrestool >/dev/null && command -v icotool >/dev/null ||
    { echo "wrestool and icotool (icoutils) are not installed"; exit 1; }
if ! command -v exe-thumbnailer >/dev/null; then
    if [ "$(id -u)" -eq 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends exe-thumbnailer >/dev/null
    else
        echo "exe-thumbnailer is missing: sudo apt-get install exe-thumbnailer"; exit 1
    fi
fi
for p in "${programs[@]}"; do [ -x "$p" ] || { echo "no program at $p: build first"; exit 1; }; done
[ -x "$build/bench/bench_make_files" ] || { echo "build bench_make_files first (-DTESSALINE_BENCH=ON)"; exit 1; }

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
largest=$(ls -S "${files[@]}" | sed -n 1p) # sed reads it all: no SIGPIPE for ls

# The median wall time of a command over $n runs, in milliseconds (read from bash's own clock,
# so that no process of the timing's own is counted); $prepare (untimed) runs before each.
prepare=true
n=$runs
median_ms() {
    local times=() t0 t1
    for _ in $(seq "$n"); do
        $prepare
        t0=${EPOCHREALTIME/./}
        "$@" >/dev/null 2>&1 || true
        t1=${EPOCHREALTIME/./}
        times+=($((t1 - t0)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((n + 1) / 2))p" | awk '{printf "%.1f", $1 / 1000}'
}
share() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.3f", a / b}'; }

# One line of results: the peer's time, then each program's time and its share of the peer's.
report() { # report TITLE PEER_MS
    local title=$1 peer=$2 line
    line=$(printf '%-34s peer %9.1f ms' "$title" "$peer")
    for i in "${!programs[@]}"; do
        line+=$(printf '   %s %9.1f ms = %s' "${names[$i]}" "${ours[$i]}" "$(share "${ours[$i]}" "$peer")")
    done
    echo "$line"
}

each_file() { local f; for f in "${files[@]}"; do "$@" "$f"; done; }
fresh() { rm -rf "$work/out"; mkdir -p "$work/out/icos" "$work/out/pngs"; }

echo "${#files[@]} files (largest: $(basename "$largest"), $(stat -c %s "$largest") bytes)," \
    "median of $runs runs ($slow_runs for exe-thumbnailer)"

peer=$(median_ms wrestool -l --type=14 "${files[@]}")
ours=(); for p in "${programs[@]}"; do ours+=("$(median_ms "$p" --list "${files[@]}")"); done
report "--list, the corpus" "$peer"

peer=$(median_ms wrestool -l --type=14 "$largest")
ours=(); for p in "${programs[@]}"; do ours+=("$(median_ms "$p" --list "$largest")"); done
report "--list, the largest file" "$peer"

peer=$(median_ms each_file wrestool -l --type=14)
ours=(); for p in "${programs[@]}"; do ours+=("$(median_ms each_file "$p" --list)"); done
report "--list, one process per file" "$peer"
# What starting any process costs here, for the line above: /bin/true once per file.
echo "  (/bin/true once per file: $(median_ms each_file /bin/true) ms)"

peer=$(median_ms wrestool --version)
ours=(); for p in "${programs[@]}"; do ours+=("$(median_ms "$p" --version)"); done
report "--version" "$peer"

prepare=fresh
peer=$(median_ms wrestool -x --type=14 -o "$work/out/icos" "${files[@]}")
ours=(); for p in "${programs[@]}"; do
    ours+=("$(median_ms "$p" --extract --format ico -o "$work/out/icos" "${files[@]}")")
done
report "--extract --format ico" "$peer"
# What writing that many files costs here, nothing parsed: a copy of the icons just written.
copy_icons() { rm -rf "$work/out/copy"; cp -r "$work/out/icos" "$work/out/copy"; }
prepare=true
echo "  (copying the $(ls "$work/out/icos" | wc -l) icons written, cp -r: $(median_ms copy_icons) ms)"
prepare=fresh

# The peer's PNGs: each icon's largest image (then its deepest), picked by icotool's width and
# depth filters; the icons are grouped by those so that icotool runs once per group.
fresh
wrestool -x --type=14 -o "$work/out/icos" "${files[@]}" 2>/dev/null || true
python3 - "$work/out/icos" >"$work/groups" <<'PY'
import os, struct, sys
groups = {}
for name in sorted(os.listdir(sys.argv[1])):
    d = open(os.path.join(sys.argv[1], name), "rb").read()
    if len(d) < 6: continue
    n = struct.unpack_from("<H", d, 4)[0]
    best = None
    for i in range(n):
        if 6 + 16 * i + 16 > len(d): break
        w, h, _, _, _, bits = struct.unpack_from("<BBBBHH", d, 6 + 16 * i)
        key = ((w or 256) * (h or 256), bits, w or 256)
        best = max(best, key) if best else key
    if best: groups.setdefault((best[2], best[1]), []).append(name)
for (w, bits), names in groups.items():
    print(w, bits, *names)
PY
png_peer() {
    wrestool -x --type=14 -o "$work/out/icos" "${files[@]}"
    local w bits names
    while read -r w bits names; do
        # shellcheck disable=SC2086
        (cd "$work/out/icos" && icotool -x -w "$w" -b "$bits" -o "$work/out/pngs" $names)
    done <"$work/groups"
}
peer=$(median_ms png_peer)
ours=(); for p in "${programs[@]}"; do
    ours+=("$(median_ms "$p" --extract --format png -o "$work/out/pngs" "${files[@]}")")
done
report "--extract --format png" "$peer"
prepare=true

thumb_peer() { local f; for f in "${files[@]}"; do exe-thumbnailer -s 256 "$f" "$work/out/t.png"; done; }
thumb_ours() { local f; for f in "${files[@]}"; do "$1" --thumbnail "$f" "$work/out/t.png" 256; done; }
mkdir -p "$work/out"
n=$slow_runs
peer=$(median_ms thumb_peer)
n=$runs
ours=(); for p in "${programs[@]}"; do ours+=("$(median_ms thumb_ours "$p")"); done
report "--thumbnail 256, once per file" "$peer"

# The same icons, byte for byte: compare the sets of contents, each file up to the end of its
# last image (wrestool keeps the padding that follows the last image in the program).
rm -rf "$work/ours" "$work/theirs"; mkdir "$work/ours" "$work/theirs"
"$build/tessaline" --extract --format ico -o "$work/ours" "${files[@]}" >/dev/null 2>&1 || true
wrestool -x --type=14 -o "$work/theirs" "${files[@]}" >/dev/null 2>&1 || true
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

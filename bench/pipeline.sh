#!/usr/bin/env bash
# Times the pipeline over many files against the floor and its peers, side by side in one run
# (medians of $RUNS runs, each time also as a share of the one it is measured against):
#   --list --jsonl -r DIR                  against the text --list of the same files
#   --list --jsonl --hashes -r -j 2 DIR    against openssl dgst -sha256 of the same files, and
#                                          against a pefile-and-Pillow icon-hash pipeline (the way
#                                          malware sandboxes hash a file's main icon)
#   -j 2 against -j 1
# and the peak memory (maximum resident set) of --list --jsonl --hashes -r over N and 10 N hard
# links of real files, which must not grow with the number of files.
#   bench/pipeline.sh [BUILD] [DIR]   BUILD (default build/) holds the program; DIR (default the
#                                     64-bit Windows folder of Debian's libwine) is listed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
dir=${2:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
runs=${RUNS:-7}
links=${LINKS:-100000}
program=$build/tessaline
[ -x "$program" ] || { echo "no program at $program: build first"; exit 1; }
[ -d "$dir" ] || { echo "no folder $dir (apt-get install libwine)"; exit 1; }
/usr/bin/python3 -c "import pefile, PIL" 2>/dev/null || { echo "python3-pefile and python3-pil are needed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t files < <(find "$dir" -type f | LC_ALL=C sort)

# The peer: each file's main icon hashed as the sandboxes do it, with pefile and Pillow.
cat >"$work/peer.py" <<'PY'
import io, struct, sys
import pefile
from PIL import Image

def main_icon(pe):
    res = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if res is None:
        return None
    icons, group = {}, None
    for t in res.entries:
        if t.id == 3:
            for e in t.directory.entries:
                d = e.directory.entries[0].data.struct
                icons[e.id] = pe.get_data(d.OffsetToData, d.Size)
        elif t.id == 14 and t.directory.entries:
            d = t.directory.entries[0].directory.entries[0].data.struct
            group = pe.get_data(d.OffsetToData, d.Size)
    if not group or len(group) < 6:
        return None
    count = struct.unpack_from("<H", group, 4)[0]
    best, bw, bh, bb = None, 0, 0, 0
    for i in range(count):
        if 6 + 14 * i + 14 > len(group):
            break
        w, h, _, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        if w >= bw and h >= bh and bits >= bb:
            best, bw, bh, bb = (w, h, bits, ident), w, h, bits
    if best is None or best[3] not in icons:
        return None
    data = icons[best[3]]
    ico = struct.pack("<HHHBBBBHHII", 0, 1, 1, best[0], best[1], 0, 0, 1, best[2], len(data), 22) + data
    return Image.open(io.BytesIO(ico))

def dhash(image):
    grey = image.convert("L").resize((9, 8), Image.LANCZOS)
    px = list(grey.getdata())
    bits = 0
    for y in range(8):
        for x in range(8):
            if px[y * 9 + x] > px[y * 9 + x + 1]:
                bits |= 1 << (y * 8 + x)
    return bits.to_bytes(8, "little").hex()

for path in sys.argv[1:]:
    try:
        pe = pefile.PE(path)  # parsed whole, as a sandbox's static analysis parses it
        icon = main_icon(pe)
        print(path, dhash(icon) if icon else None)
    except Exception as e:
        print(path, "error", e)
PY

# One run of a command: its wall time and its processor time (user and system, every thread),
# in microseconds, from the kernel's accounting (wait4). On a machine whose cores are busy with
# other work the wall times say little of the cost, and the processor times stay.
cat >"$work/once.py" <<'PY'
import os, sys, time
null = os.open(os.devnull, os.O_WRONLY)
t0 = time.perf_counter()
pid = os.posix_spawnp(sys.argv[1], sys.argv[1:], os.environ,
                      file_actions=[(os.POSIX_SPAWN_DUP2, null, 1), (os.POSIX_SPAWN_DUP2, null, 2)])
_, _, usage = os.wait4(pid, 0)
wall = time.perf_counter() - t0
print(int(wall * 1e6), int((usage.ru_utime + usage.ru_stime) * 1e6))
PY
once() { /usr/bin/python3 "$work/once.py" "$@"; }
share() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.3f", a / b}'; }
# compare N TITLE ARRAY PEER_TITLE PEER_ARRAY: the two commands run in turn N times (so that a
# change in the machine's load falls on both), then the medians and the shares.
compare() {
    local n=$1 title=$2 peer_title=$4 i
    local -n ours=$3 theirs=$5
    : >"$work/a" && : >"$work/b"
    for i in $(seq "$n"); do
        once "${ours[@]}" >>"$work/a"
        once "${theirs[@]}" >>"$work/b"
    done
    local w c pw pc
    w=$(cut -d' ' -f1 "$work/a" | sort -n | sed -n "$(((n + 1) / 2))p")
    c=$(cut -d' ' -f2 "$work/a" | sort -n | sed -n "$(((n + 1) / 2))p")
    pw=$(cut -d' ' -f1 "$work/b" | sort -n | sed -n "$(((n + 1) / 2))p")
    pc=$(cut -d' ' -f2 "$work/b" | sort -n | sed -n "$(((n + 1) / 2))p")
    printf '%-34s %8.1f ms (cpu %7.1f)  against %-32s %8.1f ms (cpu %7.1f) = %s (cpu %s)\n' \
        "$title" "$(share "$w" 1000)" "$(share "$c" 1000)" "$peer_title" "$(share "$pw" 1000)" \
        "$(share "$pc" 1000)" "$(share "$w" "$pw")" "$(share "$c" "$pc")"
}

echo "${#files[@]} files in $dir ($(du -sh "$dir" | cut -f1)), $(nproc) processors, medians of $runs runs"
cat "${files[@]}" >/dev/null # in the page cache for every command alike
text=("$program" --list "${files[@]}")
jsonl=("$program" --list --jsonl -r "$dir")
compare "$runs" "--list --jsonl -r" jsonl "--list FILES (text)" text
text1=("$program" --list -j 1 "${files[@]}")
jsonl1=("$program" --list --jsonl -r -j 1 "$dir")
compare "$runs" "--list --jsonl -r -j 1" jsonl1 "--list -j 1 FILES (text)" text1
hashes2=("$program" --list --jsonl --hashes -r -j 2 "$dir")
hashes1=("$program" --list --jsonl --hashes -r -j 1 "$dir")
openssl=(openssl dgst -sha256 "${files[@]}")
compare "$runs" "--list --jsonl --hashes -r -j 2" hashes2 "openssl dgst -sha256 FILES" openssl
compare "$runs" "--list --jsonl --hashes -r -j 2" hashes2 "--list --jsonl --hashes -r -j 1" hashes1
peer=(/usr/bin/python3 "$work/peer.py" "${files[@]}")
compare "${SLOW_RUNS:-3}" "--list --jsonl --hashes -r -j 2" hashes2 "pefile and Pillow (icon dhash)" peer
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
# The same SHA-256 as openssl's for every file.
"$program" --list --jsonl --hashes -r "$dir" | /usr/bin/python3 -c '
import json, sys
for line in sys.stdin:
    j = json.loads(line)
    print("SHA2-256(%s)= %s" % (j["file"], j["sha256"]))' >"$work/ours"
openssl dgst -sha256 "${files[@]}" | cmp -s - "$work/ours" && echo "sha256: the same as openssl dgst for every file" ||
    echo "sha256: NOT the same as openssl dgst"

# Peak memory: hard links of the folder's files (copied here first, to link within one file system).
mkdir -p "$work/copies"
for f in "${files[@]:0:100}"; do cp "$f" "$work/copies/"; done
/usr/bin/python3 - "$work" "$links" <<'PY'
import os, sys
work, links = sys.argv[1], int(sys.argv[2])
copies = sorted(os.listdir(work + "/copies"))
for d, n in (("tenth", links // 10), ("links", links)):
    os.mkdir(work + "/" + d)
    for i in range(n):
        os.link(work + "/copies/" + copies[i % len(copies)], "%s/%s/%d" % (work, d, i))
PY
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
for d in "$work/tenth" "$work/links"; do
    n=$(find "$d" -type f | wc -l)
    printf 'peak memory over %6d files: --list --jsonl --hashes -r %6d KiB   -j 2: %6d KiB\n' \
        "$n" "$(peak "$program" --list --jsonl --hashes -r "$d")" \
        "$(peak "$program" --list --jsonl --hashes -r -j 2 "$d")"
done

#!/usr/bin/env python3
"""The icon records of a folder of programs the way malware sandboxes make them, with pefile and
Pillow: the baseline that `tessaline --list --jsonl --hashes -r` is timed against.

For each file (folders walked, names in byte order), one JSON line: the file's sha256 and, for
each group icon, its resource ID or name, the sha256 of each of its images' stored bytes and its
difference hash computed as CAPEv2 computes `icon_dhash` (the chosen directory entry written as
a one-image .ico, opened by Pillow, made grey, resized to 9 x 8 with Lanczos). A file pefile
cannot read gets a record with its error. With --first, only the first group is hashed, as the
sandbox does. With --fast-load, pefile parses the resource directory only (the sandbox parses
every directory).

    bench/pefile_pillow_dhash.py [-j N] [--first] [--fast-load] PATH...

Needs python3-pefile and python3-pil (Debian). Image bytes are read with pefile's get_data; the
sandbox maps the whole image (get_memory_mapped_image) for each icon, which is slower, so the
times measured here flatter the sandbox's pipeline.
"""
import argparse
import hashlib
import itertools
import json
import os
import struct
import sys
import warnings
from io import BytesIO
from multiprocessing import Pool

import pefile
from PIL import Image

LANCZOS = getattr(Image, "Resampling", Image).LANCZOS
BILINEAR = getattr(Image, "Resampling", Image).BILINEAR
ADAPTIVE = getattr(Image, "Palette", Image).ADAPTIVE
RT_ICON = pefile.RESOURCE_TYPE["RT_ICON"]
RT_GROUP_ICON = pefile.RESOURCE_TYPE["RT_GROUP_ICON"]


def generate_icon_dhash(image, hash_size=8):
    image = image.convert("L").resize((hash_size + 1, hash_size), LANCZOS)
    difference = []
    for row, col in itertools.product(range(hash_size), range(hash_size)):
        difference.append(image.getpixel((col, row)) > image.getpixel((col + 1, row)))
    decimal_value = 0
    hex_string = []
    for index, value in enumerate(difference):
        if value:
            decimal_value += 2 ** (index % 8)
        if index % 8 == 7:
            hex_string.append(hex(decimal_value)[2:].rjust(2, "0"))
            decimal_value = 0
    return "".join(hex_string)


def first_language(entry):
    return entry.directory.entries[0].data.struct if hasattr(entry, "directory") else None


def group_entries(data):
    """GRPICONDIRENTRY tuples: width, height, colours, reserved, planes, bits, bytes, ID."""
    if len(data) < 6:
        return []
    count = struct.unpack_from("<H", data, 4)[0]
    if len(data) < 6 + 14 * count:
        return []
    return [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(count)]


def icon_dhash(pe, entries, images):
    """CAPEv2's choice, one-image .ico and hash; None where it publishes none."""
    big = (0, 0, 0)
    chosen = None
    for e in entries:
        if e[0] >= big[0] and e[1] >= big[1] and e[5] >= big[2]:
            big = (e[0], e[1], e[5])
            chosen = e
    if chosen is None or chosen[7] not in images:
        return None
    d = images[chosen[7]]
    data = pe.get_data(d.OffsetToData, d.Size)
    ico = struct.pack("<HHHBBBBHHII", 0, 1, 1, *chosen[:7], 22) + data
    try:
        with Image.open(BytesIO(ico)) as img, BytesIO() as output:
            img.save(output, format="PNG")
            dhash = generate_icon_dhash(img)
            small = img.resize((8, 8), BILINEAR).convert("RGB")
            small = small.convert("P", palette=ADAPTIVE, colors=2).convert("L")
            low = small.getextrema()[0]
            bytearray(small.point(lambda i: 255 if i > low else 0).convert("1").getdata())
            return dhash
    except Exception:
        return None


def record(path, first=False, fast=False):
    out = {"file": path}
    try:
        with open(path, "rb") as f:
            out["sha256"] = hashlib.sha256(f.read()).hexdigest()
        pe = pefile.PE(path, fast_load=fast)
        if fast:
            resources = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]
            pe.parse_data_directories(directories=[resources])
    except Exception as e:  # pefile.PEFormatError and the system's errors
        out["error"] = str(e)
        return out
    icons = []
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    types = {t.id: t for t in root.entries} if root else {}
    images = {}
    if RT_ICON in types and hasattr(types[RT_ICON], "directory"):
        for e in types[RT_ICON].directory.entries:
            if e.id is not None and first_language(e) is not None:
                images.setdefault(e.id, first_language(e))
    if RT_GROUP_ICON in types and hasattr(types[RT_GROUP_ICON], "directory"):
        for g in types[RT_GROUP_ICON].directory.entries:
            d = first_language(g)
            if d is None:
                continue
            entries = group_entries(pe.get_data(d.OffsetToData, d.Size))
            icon = {"id": str(g.name) if g.name is not None else g.id}
            icon["images"] = [
                hashlib.sha256(pe.get_data(images[e[7]].OffsetToData, images[e[7]].Size)).hexdigest()
                for e in entries
                if e[7] in images
            ]
            icon["dhash"] = icon_dhash(pe, entries, images)
            icons.append(icon)
            if first:
                break
    pe.close()
    out["icons"] = icons
    return out


def walk(paths):
    for p in paths:
        if os.path.isdir(p) and not os.path.islink(p):
            for name in sorted(os.listdir(p), key=os.fsencode):
                yield from walk([os.path.join(p, name)])
        elif os.path.isfile(p):
            yield p


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-j", "--jobs", type=int, default=1)
    parser.add_argument("--first", action="store_true", help="only the first group, as the sandbox")
    parser.add_argument("--fast-load", action="store_true", help="parse the resources only")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()
    warnings.simplefilter("ignore")
    files = list(walk(args.paths))
    work = [(f, args.first, args.fast_load) for f in files]
    with Pool(args.jobs) if args.jobs > 1 else _Serial() as pool:
        for r in pool.imap(_record, work, chunksize=4):
            sys.stdout.write(json.dumps(r) + "\n")


def _record(a):
    return record(*a)


class _Serial:
    def __enter__(self):
        return self

    def __exit__(self, *exc):
        return False

    def imap(self, f, items, chunksize=1):
        return map(f, items)


if __name__ == "__main__":
    main()

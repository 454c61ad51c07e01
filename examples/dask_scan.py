#!/usr/bin/env python3
"""Lists the icons of many files on a Dask cluster, with the records of `tessaline --list --jsonl`.

Each worker reads the bytes of the files of its partitions itself and hands them to
tessaline.scan, so the files need only be where the workers can read them (a shared folder here;
an object store's client in their place works the same). The records come out in the order of the
files, as JSON Lines (one record a file, its name added: bytes in memory have none), or as CSV
with one row per icon.

    dask_scan.py FOLDER...                     a cluster of local processes, one per processor
    dask_scan.py --scheduler HOST:8786 FOLDER  a running cluster's workers (dask-worker HOST:8786)
    dask_scan.py --files-from LIST --csv -o icons.csv
"""
import argparse
import base64
import csv
import logging
import os
import sys

import dask.bag
from dask.distributed import Client, LocalCluster


def paths_of(sources, files_from):
    """The files: each source, walked where it is a folder (names in byte order); the list's."""
    for source in sources:
        source = os.fsencode(source)
        if not os.path.isdir(source):
            yield source
            continue
        for root, folders, names in os.walk(source):
            folders.sort()
            for name in sorted(names):
                yield os.path.join(root, name)
    if files_from:
        with sys.stdin.buffer if files_from == "-" else open(files_from, "rb") as f:
            for line in f:
                line = line.rstrip(b"\n")
                if line:
                    yield line


def json_name(path):
    """A name as the command line writes it: the text where it is UTF-8, else its bytes."""
    try:
        return path.decode("utf-8")
    except UnicodeDecodeError:
        return {"bytes": base64.b64encode(path).decode("ascii")}


def scan_partition(paths, hashes):
    """On a worker: each file's bytes read, and their record with the file's name first."""
    import tessaline  # (on the worker)

    records = []
    for path in paths:
        try:
            with open(path, "rb") as f:
                data = f.read()
            record = tessaline.scan(memoryview(data), hashes=hashes)
        except OSError:
            try:  # the engine's own reason (a folder, a FIFO ...) where it says one
                record = tessaline.scan(path, hashes=hashes)
                record.pop("file", None)
            except OSError as e:
                record = {"status": "unreadable", "error": e.strerror, "kind": ""}
                record.update({"sha256": None} if hashes else {})
                record.update({"icons": [], "cursors": []})
        records.append({"file": json_name(path), **record})
    return records


CSV_FIELDS = ["file", "index", "id", "language", "largest", "dhash"]


def icon_rows(record):
    """One CSV row per icon: its largest image as WIDTHxHEIGHT, "" where it has none."""
    name = record["file"]
    if isinstance(name, dict):
        name = os.fsdecode(base64.b64decode(name["bytes"]))
    for icon in record["icons"]:
        largest = max(icon["images"], key=lambda i: (i["width"] * i["height"], i["bits"]),
                      default=None)
        language = "" if icon["language"] is None else icon["language"]
        size = f"{largest['width']}x{largest['height']}" if largest else ""
        yield [name, icon["index"], icon["id"], language, size, icon.get("dhash") or ""]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    add = parser.add_argument
    add("sources", nargs="*", help="files, and folders walked")
    add("--files-from", metavar="LIST", help="a file of paths, one a line (- for standard input)")
    add("--scheduler", metavar="ADDRESS", help="a running cluster's scheduler (else a local one)")
    add("--workers", type=int, default=os.cpu_count(), help="the local cluster's processes")
    add("--partition-size", type=int, default=64, help="files a task reads")
    add("--hashes", action="store_true", help="the hashes --hashes adds (always with --csv)")
    add("--csv", action="store_true", help="one row per icon: " + ", ".join(CSV_FIELDS))
    add("-o", "--output", default="-", help="where to write (standard output: -)")
    args = parser.parse_args()
    if not args.sources and not args.files_from:
        parser.error("no files: give FOLDERs or files, or --files-from LIST")

    import json

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None, silence_logs=logging.ERROR)
        client = Client(cluster)
    with client:
        paths = list(paths_of(args.sources, args.files_from))
        bag = dask.bag.from_sequence(paths, partition_size=max(1, args.partition_size))
        records = bag.map_partitions(scan_partition, args.hashes or args.csv)
        parts = client.compute(records.to_delayed())
        out = (sys.stdout if args.output == "-"
               else open(args.output, "w", encoding="utf-8", errors="surrogateescape", newline=""))
        with out:
            table = csv.writer(out) if args.csv else None
            if table:
                table.writerow(CSV_FIELDS)
            for part in parts:  # in the files' order, each as soon as it and those before are done
                for record in part.result():
                    if table:
                        table.writerows(icon_rows(record))
                    else:
                        line = json.dumps(record, ensure_ascii=False, separators=(",", ":"))
                        out.write(line + "\n")
                part.release()
    if not args.scheduler:
        cluster.close()


if __name__ == "__main__":
    main()

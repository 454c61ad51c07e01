# The Dask example on a local cluster of 2 worker processes: its records are the command line's
# --list --jsonl --hashes records of the same files, in the same order, and its CSV has one row
# per icon of them.
import base64
import csv
import io
import json
import os
import subprocess
import sys

PROGRAM = os.environ["TESSALINE_PROGRAM"]
EXAMPLE = os.environ["TESSALINE_DASK_EXAMPLE"]
CORPUS = os.environ["TESSALINE_CORPUS"]
FOLDERS = [os.path.join(CORPUS, "good"), os.path.join(CORPUS, "hostile")]


def run(*args):
    done = subprocess.run(args, capture_output=True, check=True)
    return done.stdout


def test_example_gives_the_command_lines_records_and_rows():
    cli = [json.loads(line) for line in
           run(PROGRAM, "--list", "--jsonl", "--hashes", "-r", "--", *FOLDERS).splitlines()]
    jsonl = run(sys.executable, EXAMPLE, "--workers", "2", "--partition-size", "7", "--hashes",
                *FOLDERS)
    assert [json.loads(line) for line in jsonl.splitlines()] == cli
    listing = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"dask_scan_{os.getpid()}.txt")
    with open(listing, "wb") as f:  # the same files from a list, some names not UTF-8
        f.writelines(os.fsencode(r["file"]) + b"\n" for r in cli if isinstance(r["file"], str))
        f.writelines(base64.b64decode(r["file"]["bytes"]) + b"\n"
                     for r in cli if isinstance(r["file"], dict))
    try:
        table = run(sys.executable, EXAMPLE, "--workers", "2", "--csv", "--files-from", listing)
    finally:
        os.unlink(listing)
    rows = list(csv.reader(io.StringIO(table.decode("utf-8", "surrogateescape"))))
    expected = []
    for r in sorted(cli, key=lambda r: isinstance(r["file"], dict)):  # the list's order
        name = r["file"] if isinstance(r["file"], str) else os.fsdecode(
            base64.b64decode(r["file"]["bytes"]))
        for icon in r["icons"]:
            sizes = sorted((i["width"] * i["height"], i["bits"], f"{i['width']}x{i['height']}")
                           for i in icon["images"])
            expected.append([name, str(icon["index"]), icon["id"],
                             "" if icon["language"] is None else str(icon["language"]),
                             sizes[-1][2] if sizes else "", icon["dhash"] or ""])
    assert rows == [["file", "index", "id", "language", "largest", "dhash"]] + expected

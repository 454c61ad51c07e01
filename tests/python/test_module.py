# import tessaline against the command line it shares its records with: the same dict as
# --list --jsonl (--hashes) for every file of the corpus and every hostile file of the engine's
# tests, by path and as bytes, from many threads; the bytes --extract writes; and a clear answer
# to every wrong argument.
import base64
import concurrent.futures
import errno
import json
import mmap
import os
import subprocess
import threading

import pytest

import tessaline

PROGRAM = os.environ["TESSALINE_PROGRAM"]
CORPUS = os.fsencode(os.environ["TESSALINE_CORPUS"])


def files_under(folder):
    found = []
    for root, _, names in os.walk(os.path.join(CORPUS, folder)):
        found += [os.path.join(root, n) for n in names]
    return sorted(found)


GOOD, HOSTILE = files_under(b"good"), files_under(b"hostile")
ALL = GOOD + HOSTILE


def command_line(*args):
    return subprocess.run([PROGRAM, *args], capture_output=True, check=False).stdout


def cli_records(paths, hashes):
    out = command_line("--list", "--jsonl", *(["--hashes"] if hashes else []), "--", *paths)
    return [json.loads(line) for line in out.splitlines()]


def without_name(record):
    return {k: v for k, v in record.items() if k != "file"}


def test_corpus_is_there():
    assert len(GOOD) == 10 and len(HOSTILE) >= 50


@pytest.mark.parametrize("hashes", [False, True])
def test_scan_is_the_command_lines_record(hashes):
    expected = cli_records(ALL, hashes)
    assert len(expected) == len(ALL)
    for path, record in zip(ALL, expected):
        assert tessaline.scan(path, hashes=hashes) == record, path
        with open(path, "rb") as f:
            data = f.read()
        assert tessaline.scan(memoryview(data), hashes=hashes) == without_name(record), path


def mapped(data):
    with open(os.path.join(CORPUS, b"good/icons/many.ico"), "rb") as f:
        return mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)


@pytest.mark.parametrize(
    "make",
    [bytearray, memoryview, mapped, lambda d: memoryview(bytes(b for b in d for _ in (0, 1)))[::2],
     lambda d: memoryview(d).cast("B", (len(d),))],
    ids=["bytearray", "memoryview", "mmap", "strided_memoryview", "cast_memoryview"])
def test_every_buffer_gives_the_records_of_its_bytes(make):
    path = os.path.join(CORPUS, b"good/icons/many.ico")
    with open(path, "rb") as f:
        data = f.read()
    assert tessaline.scan(make(data), hashes=True) == without_name(tessaline.scan(path, True))


def test_names_and_empty_buffers():
    (latin1,) = [p for p in GOOD if p.endswith(b"caf\xe9.ico")]
    record = tessaline.scan(latin1)
    assert record["file"] == {"bytes": base64.b64encode(latin1).decode()}
    assert record["status"] == "icons"
    assert tessaline.scan(bytearray()) == {"status": "not-an-icon-file", "kind": "", "icons": [],
                                           "cursors": []}


def test_threads_get_the_results_of_one():
    one = [tessaline.scan(p, hashes=True) for p in ALL]
    contents = []
    for p in ALL:
        with open(p, "rb") as f:
            contents.append(f.read())

    def run(t):  # each thread its own order; odd threads read bytes, even ones paths
        order = list(range(t, len(ALL))) + list(range(t))
        got = [None] * len(ALL)
        for i in order:
            got[i] = (tessaline.scan(memoryview(contents[i]), hashes=True) if t % 2
                      else tessaline.scan(ALL[i], hashes=True))
        return got

    same = os.path.join(CORPUS, b"good/programs/app64.exe")
    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        results = list(pool.map(run, range(8)))
        alike = list(pool.map(lambda _: tessaline.scan(same, hashes=True), range(64)))
    for t, got in enumerate(results):
        assert got == (one if t % 2 == 0 else [without_name(r) for r in one]), t
    assert alike == [tessaline.scan(same, hashes=True)] * 64


def test_a_buffer_changed_by_another_thread_gives_a_record_of_some_state():
    a = open(os.path.join(CORPUS, b"good/icons/many.ico"), "rb").read()
    b = open(os.path.join(CORPUS, b"good/programs/app64.exe"), "rb").read()
    states = [tessaline.scan(memoryview(x)) for x in (a, b)]
    data, stop = bytearray(a), threading.Event()

    def change():
        while not stop.is_set():
            data[:] = b if len(data) == len(a) else a

    changer = threading.Thread(target=change)
    changer.start()
    try:
        seen = [tessaline.scan(data) for _ in range(300)]
    finally:
        stop.set()
        changer.join()
    assert all(r in states for r in seen)


def test_unreadable_paths_raise_oserror(tmp_path):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    for path, number in [(tmp_path / "missing.exe", errno.ENOENT), (tmp_path, errno.EISDIR),
                         (str(fifo), errno.EINVAL), ("", errno.ENOENT)]:
        with pytest.raises(OSError) as e:
            tessaline.scan(path)
        assert (e.value.errno, e.value.filename) == (number, os.fspath(path))


@pytest.mark.parametrize("file,options", [
    (b"good/programs/app64.exe", []),
    (b"good/programs/app64.exe", ["--index=1"]),
    (b"good/programs/app64.exe", ["--id=7"]),
    (b"good/programs/app64.exe", ["--id=main"]),
    (b"good/programs/app64.exe", ["--format=png"]),
    (b"good/icons/many.ico", ["--format=png", "--size=30"]),
    (b"good/icons/pointer.cur", []),
    (b"good/icons/busy.ani", ["--index=1"]),
    (b"good/programs/old.exe", ["--id=TWO", "--format=png"]),
])
def test_extract_gives_the_bytes_extract_writes(tmp_path, file, options):
    path = os.path.join(CORPUS, file)
    command_line("--extract", "-o", str(tmp_path), *options, "--", path)
    written = sorted(tmp_path.iterdir())[0]  # (all of them without index or id: the first)
    kw = {"format": "ico"}
    for o in options:
        name, value = o[2:].split("=")
        kw[name] = int(value) if name in ("index", "size") else value
    with open(path, "rb") as f:
        data = f.read()
    assert tessaline.extract(path, **kw) == written.read_bytes()
    assert tessaline.extract(bytearray(data), **kw) == written.read_bytes()


ICO = os.path.join(CORPUS, b"good/icons/many.ico")


@pytest.mark.parametrize("call,error,words", [
    (lambda: tessaline.scan(3), TypeError, "source"),
    (lambda: tessaline.scan(None), TypeError, "source"),
    (lambda: tessaline.scan(ICO, hashes="yes"), TypeError, "hashes"),
    (lambda: tessaline.scan(b"MZ\0\0"), ValueError, "source"),
    (lambda: tessaline.scan("a\0b"), ValueError, "source"),
    (lambda: tessaline.extract(ICO, index=-1), ValueError, "index"),
    (lambda: tessaline.extract(ICO, index="0"), TypeError, "index"),
    (lambda: tessaline.extract(ICO, index=True), TypeError, "index"),
    (lambda: tessaline.extract(ICO, index=2**70), ValueError, "index"),
    (lambda: tessaline.extract(ICO, id=1.5), TypeError, "id"),
    (lambda: tessaline.extract(ICO, index=0, id="1"), ValueError, "index or id"),
    (lambda: tessaline.extract(ICO, format="bmp"), ValueError, "format"),
    (lambda: tessaline.extract(ICO, format=None), TypeError, "format"),
    (lambda: tessaline.extract(ICO, size=16), ValueError, "size"),
    (lambda: tessaline.extract(ICO, format="png", size=0), ValueError, "size"),
    (lambda: tessaline.extract(ICO, index=1), ValueError, "no icon 1 (it has 1)"),
    (lambda: tessaline.extract(bytearray(b"text")), ValueError, "no icons to write"),
])
def test_wrong_arguments_are_named(call, error, words):
    with pytest.raises(error, match=words.replace("(", r"\(").replace(")", r"\)")):
        call()


def test_version_is_the_programs():
    first = command_line("--version").split(b"\n")[0]
    assert first == b"Tessaline " + tessaline.__version__.encode()

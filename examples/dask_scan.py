#!/usr/bin/env python3
"""Analyses many files with vantric on a Dask cluster, into a folder of JSON lines.

    dask_scan.py (--scheduler ADDRESS | --local-workers N) --out DIR
                 [--partition-size N] [--jobs N] [--files-from LIST [-0]] [PATH...]

The paths are cut, in order, into partitions of --partition-size files; each
partition is one task, which writes DIR/part-00000.jsonl, part-00001.jsonl,
... (a vantric-cli --json line per file, in the order of the paths) and
returns its counts. The client adds them up into DIR/summary.json, the
object vantric-cli --json --summary prints last. The workers must have
`vantric` installed and see the files and DIR under the same paths as the
client.
"""
import argparse
import contextlib
import itertools
import json
import os
import sys
import tempfile
from collections import Counter

import dask
from distributed import Client, LocalCluster, as_completed, get_worker

import vantric

EPILOG = """\
Relative paths are taken from the current folder and written out absolute,
since the workers may run elsewhere. Folders given as PATH are walked in
byte order of names, as vantric-cli -r walks them: links to files count,
links to folders are not followed, other entries get a line with the status
"skipped", and a folder that can't be read one with "io-error". Names in
LIST are taken as files: the client looks at none of them, since it may list
millions of files on slow storage.

exit status: 0 every file analysed, 1 some file not analysed,
2 bad command line, a database that can't be loaded, or a failure to read
the list or write the results."""


def at_least_one(text):
    if not text.isdigit() or int(text) < 1:
        raise argparse.ArgumentTypeError(f"{text!r} is not a whole number from 1 up")
    return int(text)


def parse_args():
    title, _, about = __doc__.split("\n\n", 2)  # all but the usage lines
    parser = argparse.ArgumentParser(description=f"{title}\n\n{about}", epilog=EPILOG,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--scheduler", metavar="ADDRESS", help="a running cluster's scheduler, tcp://host:8786")
    where.add_argument("--local-workers", type=at_least_one, metavar="N",
                       help="start a cluster of N worker processes (one thread each) on this machine")
    parser.add_argument("--out", required=True, metavar="DIR", help="folder for the results, new or empty")
    parser.add_argument("--partition-size", type=at_least_one, default=100, metavar="N",
                        help="files per task (default 100)")
    parser.add_argument("--jobs", type=at_least_one, default=1, metavar="N",
                        help="files each task analyses at a time (default 1); more when a worker "
                             "process has one thread and several cores")
    parser.add_argument("--files-from", metavar="LIST", help="also analyse the paths in LIST (- for stdin), "
                                                            "one a line, after those given as PATH")
    parser.add_argument("-0", "--null", action="store_true", help="names in LIST end with a NUL byte")
    parser.add_argument("paths", nargs="*", metavar="PATH", help="a file, or a folder to walk")
    args = parser.parse_args()
    if not args.paths and not args.files_from:
        parser.error("no file given")
    if args.null and not args.files_from:
        parser.error("-0 goes with --files-from")
    return args


def left_out(path, status, reason):
    """An entry that is not analysed, reported as vantric-cli -r reports it."""
    return path, status, reason


def walk(folder):
    """The files below `folder` (bytes), depth first, each folder's names in byte order."""
    try:
        with os.scandir(folder) as listing:
            entries = sorted(listing, key=lambda entry: entry.name)
    except OSError as error:
        yield left_out(folder, "io-error", error.strerror)
        return
    for entry in entries:
        if entry.is_dir(follow_symlinks=False):
            yield from walk(entry.path)
        elif entry.is_file(follow_symlinks=False) or os.path.isfile(entry.path):  # links to files count
            yield entry.path
        elif os.path.isdir(entry.path):
            yield left_out(entry.path, "skipped", "a link to a folder, not followed")
        elif entry.is_symlink() and not os.path.exists(entry.path):  # a loop, too
            yield left_out(entry.path, "skipped", "a link to nothing")
        else:
            yield left_out(entry.path, "skipped", "not a regular file")


def listed(stream, separator):
    """The names in a list, read as it goes so that its length costs no memory."""
    rest = b""
    while chunk := stream.read(1 << 16):
        *names, rest = (rest + chunk).split(separator)
        yield from names
    yield rest


def all_paths(args, list_stream):
    """Every path to analyse, in order, as absolute bytes (names may hold any
    bytes), and the entries left out in their places."""
    here = os.getcwdb()
    for path in map(os.fsencode, args.paths):
        path = os.path.join(here, path)
        if os.path.isdir(path):
            yield from walk(path)
        else:
            yield path
    if list_stream:
        for name in listed(list_stream, b"\0" if args.null else b"\n"):
            if not args.null:
                name = name.removesuffix(b"\r")
            if b"\0" in name:  # the system would read the name only up to the NUL: another file
                yield left_out(name, "skipped", "a NUL byte in the name")
            elif name:
                yield os.path.join(here, name)


def new_counts():
    return {"files": 0, "analysed": 0, "compilers": Counter(), "packers": Counter(), "generations": Counter()}


def count(counts, result):
    counts["files"] += 1
    if result["status"] == "ok":
        counts["analysed"] += 1
        counts["compilers"][result["compiler"]["compiler"]] += 1
        counts["packers"][result["compression"]["program"]] += 1
        counts["generations"][vantric.toolchain_generation(result["toolchain"])] += 1


def merge(total, counts):
    for key, value in counts.items():
        total[key] += value


def summary(counts):
    """The object vantric-cli --json --summary prints last."""
    def ranked(table):
        # Most files first, then by name: code point order is the UTF-8 byte order vantric-cli uses.
        rows = sorted(table.items(), key=lambda row: (-row[1], row[0]))
        return [{"name": name, "files": files} for name, files in rows if name != "-"]

    out = {"files": counts["files"], "analysed": counts["analysed"]}
    for table, none in (("compilers", "no_compiler"), ("packers", "no_packer"), ("generations", "no_generation")):
        out[table] = ranked(counts[table])
        out[none] = counts[table]["-"]
    return {"summary": out}


def json_line(value):
    # A path that is not valid UTF-8 holds lone surrogates (\udcff for the
    # byte 0xff); backslashreplace writes them as the JSON escape \udcff,
    # which reads back as the same string, as vantric-cli writes it.
    return (json.dumps(value, ensure_ascii=False, separators=(",", ":")) + "\n").encode("utf-8", "backslashreplace")


def write_whole(path, lines):
    """Writes under a temporary name, renamed when whole: a task run twice
    (its worker lost, say) never leaves half a file behind."""
    folder, name = os.path.split(path)
    with tempfile.NamedTemporaryFile("wb", dir=folder, prefix=f".{name}.", suffix=".tmp", delete=False) as out:
        try:
            out.writelines(lines)
            out.flush()
            os.fsync(out.fileno())
        except BaseException:
            os.unlink(out.name)
            raise
    os.replace(out.name, path)


def worker_analyzer():
    """The worker process's Analyzer: the databases load once, not once per task."""
    worker = get_worker()
    if not hasattr(worker, "vantric_analyzer"):
        worker.vantric_analyzer = vantric.Analyzer()
    return worker.vantric_analyzer


def scan_partition(index, entries, out_dir, jobs):
    """Runs on a worker: analyses one partition into its part file and returns its counts."""
    counts = new_counts()
    results = worker_analyzer().analyze_many((entry for entry in entries if isinstance(entry, bytes)), jobs=jobs)

    def lines():
        for entry in entries:
            if isinstance(entry, bytes):
                result = next(results)
            else:
                path, status, reason = entry
                result = {"path": os.fsdecode(path), "status": status, "error": reason}
            count(counts, result)
            yield json_line(result)

    write_whole(os.path.join(out_dir, f"part-{index:05d}.jsonl"), lines())
    return counts


def partitions(paths, size):
    paths = iter(paths)
    while part := list(itertools.islice(paths, size)):
        yield part


def scan(client, parts, out_dir, jobs):
    """Submits the partitions in order, only a few per worker thread ahead of
    those finished, so that a list of any length costs the client little."""
    total = new_counts()
    running = as_completed()
    for index, part in enumerate(parts):
        running.add(client.submit(scan_partition, index, part, out_dir, jobs, pure=False))
        workers = client.scheduler_info()["workers"].values()  # kept up to date by the client
        while running.count() >= 2 * max(1, sum(worker["nthreads"] for worker in workers)):
            merge(total, next(running).result())
    for finished in running:
        merge(total, finished.result())
    return total


@contextlib.contextmanager
def local_cluster(workers):
    # Dask's nanny starts each worker with MALLOC_TRIM_THRESHOLD_=65536, so
    # that glibc hands freed memory back at once. The analysis allocates
    # blocks of 128 KiB for each file, which would then be mapped and faulted
    # in afresh every time: the scan ran about 40% slower.
    # Workers started with `dask worker` want MALLOC_TRIM_THRESHOLD_=1048576
    # in their environment for the same reason.
    with dask.config.set({"distributed.nanny.pre-spawn-environ.MALLOC_TRIM_THRESHOLD_": 1 << 20}), \
            LocalCluster(n_workers=workers, threads_per_worker=1, dashboard_address=None) as cluster:
        yield cluster


@contextlib.contextmanager
def connect(args):
    if args.scheduler:
        with Client(args.scheduler) as client:
            yield client
    else:
        with local_cluster(args.local_workers) as cluster, Client(cluster) as client:
            yield client


def main():
    args = parse_args()
    out_dir = os.path.abspath(args.out)
    try:
        os.makedirs(out_dir, exist_ok=True)
        if any(name == "summary.json" or name.startswith("part-") for name in os.listdir(out_dir)):
            print(f"dask_scan.py: {out_dir} holds results already: give a new or empty folder", file=sys.stderr)
            return 2
        with contextlib.ExitStack() as stack:
            list_stream = None
            if args.files_from == "-":
                list_stream = sys.stdin.buffer
            elif args.files_from:
                list_stream = stack.enter_context(open(args.files_from, "rb"))
            client = stack.enter_context(connect(args))
            parts = partitions(all_paths(args, list_stream), args.partition_size)
            counts = scan(client, parts, out_dir, args.jobs)
        write_whole(os.path.join(out_dir, "summary.json"), [json_line(summary(counts))])
    except (vantric.DatabaseError, OSError) as error:
        print(f"dask_scan.py: {error}", file=sys.stderr)
        return 2
    return 0 if counts["analysed"] == counts["files"] else 1


# The local cluster's worker processes import this file too.
if __name__ == "__main__":
    sys.exit(main())

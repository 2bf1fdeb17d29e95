#!/usr/bin/env python3
"""Peak resident memory of vantric-cli on one file: a 20-byte file (the
baseline: what the loaded databases take), 128 MiB of real PE bytes, and
sparse files of 3 GiB and 10 GiB that start with a small real PE.

    bench/cli_memory.py [--cli build/linux/cli/vantric-cli] [--compiler-db F] [--compression-db F]
                        [--limit-gib N]

Each figure is the maximum resident set of one run, as GNU time reports it
(apt-get install time), in MiB, with its difference to the baseline. The databases default to the shipped
data/*.vnt. --limit-gib caps the address space (ulimit -v) of the runs on
the sparse files, for a build that reads a whole file into memory; leave it
off for a build that maps files, whose mapping counts against that limit.
The files are made in a temporary folder; the sparse ones take no space on
disk.
"""
import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile

from cli_vs_yara import ROOT, haystack, pe_files

MIB = 1 << 20
GIB = 1 << 30


def peak(command, limit):
    # Measured by GNU time, not by wait4 here: a child forked from this
    # process starts with its resident size, and ru_maxrss keeps that
    # high-water mark across exec.
    def cap():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    with tempfile.NamedTemporaryFile("r") as report:
        done = subprocess.run(["/usr/bin/time", "-q", "-f", "%M", "-o", report.name] + command,
                              capture_output=True, preexec_fn=cap if limit else None)
        rss = int(report.read().split()[-1]) * 1024  # KiB
    what = done.stderr.decode(errors="replace").strip()
    try:
        line = json.loads(done.stdout.splitlines()[0])
        what = line["status"] + (f": {line['error']}" if "error" in line else "") + (f" {what}" if what else "")
    except (IndexError, ValueError, KeyError):
        pass
    return rss, done.returncode, what


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(ROOT, "build/linux/cli/vantric-cli"))
    parser.add_argument("--compiler-db", default=os.path.join(ROOT, "data/vantric.vnt"))
    parser.add_argument("--compression-db", default=os.path.join(ROOT, "data/compression.vnt"))
    parser.add_argument("--limit-gib", type=float, default=0)
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("GNU time missing: apt-get install -y time")
    if not os.access(cli, os.X_OK):
        sys.exit(f"{cli} missing: cmake --preset linux && cmake --build --preset linux -j2 --target vantric-cli")
    limit = int(args.limit_gib * GIB)
    small = [p for p in pe_files() if p.endswith("/winver.exe")] or pe_files()
    with open(small[0], "rb") as f:
        head = f.read()

    print(f"vantric-cli {cli}" + (f", sparse files under ulimit -v {args.limit_gib:g} GiB" if limit else ""))
    print(f"{'file':<16} {'exit':>4} {'peak MiB':>9} {'+MiB':>8}  status")
    with tempfile.TemporaryDirectory() as folder:
        cases = [("20 bytes", head[:20], 0, 0), ("128 MiB of PEs", haystack(), 0, 0),
                 ("3 GiB sparse", head, 3 * GIB, limit), ("10 GiB sparse", head, 10 * GIB, limit)]
        baseline = None
        for name, contents, size, cap in cases:
            path = os.path.join(folder, name.replace(" ", "_"))
            with open(path, "wb") as f:
                f.write(contents)
                if size:
                    os.truncate(f.fileno(), size)
            command = [cli, "--json", "--compiler-db", args.compiler_db,
                       "--compression-db", args.compression_db, path]
            rss, code, what = peak(command, cap)
            os.remove(path)
            baseline = rss if baseline is None else baseline
            print(f"{name:<16} {code:>4} {rss / MIB:>9.1f} {(rss - baseline) / MIB:>8.1f}  {what}")


if __name__ == "__main__":
    main()

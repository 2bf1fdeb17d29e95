#!/usr/bin/env python3
"""Wall time of examples/dask_scan.py on a local cluster of two worker
processes (one thread each, --jobs 1) against vantric-cli -j 2 --json, over
the same real programs.

    PYTHONPATH=build/linux/python /usr/bin/python3 bench/dask_bench.py \\
        [--cli build/linux/cli/vantric-cli] [--files 1000] [--runs 5] [--partition-size 100] [--repeat 1]

The programs are Wine's PE files (the 32-bit and the 64-bit folders, sorted,
the first --files of them; --repeat lists each that many times, for a run
long enough that the fixed costs fade). A first vantric-cli run brings them
into the page cache, so that no run waits for the disk. Each round times:

  - vantric-cli -j 2 --json -0 --files-from LIST, its output to a file;
  - dask_scan.py --local-workers 2: the cluster's start-up and shutdown are
    counted, as someone who starts the script sees them;
  - dask_scan.py --scheduler ADDRESS, on a cluster of the same shape started
    by this script beforehand (and warmed up by one untimed scan): start-up
    not counted, but the script's own start (Python, importing Dask) and
    connection are. That cluster is shut down before the other runs of the
    round, which it would slow down by some 5 to 10% while idle;
  - python -c 'import distributed': the floor under any run of the script.

The table gives the median and the least wall time of each and the ratio of
the medians to vantric-cli's (1.20: 20% slower). Each run of the example is
checked: exit status 0 and the summary vantric-cli gives for the same list.
"""
import argparse
import glob
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLE = os.path.join(ROOT, "examples", "dask_scan.py")
WINE = ("/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows")
CLI_RUN = "vantric-cli -j 2"


def pe_files(count):
    found = []
    for path in sorted(path for folder in WINE for path in glob.glob(folder + "/*")):
        with open(path, "rb") as f:
            if f.read(2) == b"MZ":
                found.append(path)
    if not found:
        sys.exit("no PE files in Wine's folders (apt-get install wine64)")
    return found[:count]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(ROOT, "build/linux/cli/vantric-cli"))
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--partition-size", type=int, default=100)
    parser.add_argument("--repeat", type=int, default=1)
    args = parser.parse_args()
    # Taken before any cluster starts: Dask's nanny sets variables in the
    # environment of the process that starts it (MALLOC_TRIM_THRESHOLD_ among
    # them), which would reach every program run after.
    env = dict(os.environ)
    sys.path.insert(0, os.path.dirname(EXAMPLE))
    import dask_scan  # to start the cluster as the example starts its own

    files = pe_files(args.files)
    size = sum(os.path.getsize(path) for path in files)
    print(f"{len(files)} files, {size / 1e6:.0f} MB, listed {args.repeat} time(s); "
          f"partitions of {args.partition_size}; {args.runs} runs each")
    walls = {}
    with tempfile.TemporaryDirectory() as folder:
        listing = os.path.join(folder, "list")
        with open(listing, "wb") as f:
            f.write(b"".join(os.fsencode(path) + b"\0" for path in files * args.repeat))
        cli = [os.path.abspath(args.cli), "-j", "2", "--json", "-0", "--files-from", listing]
        done = subprocess.run(cli + ["--summary"], stdout=subprocess.PIPE, check=True, env=env)
        expected = json.loads(done.stdout.splitlines()[-1])

        def example(*where):
            return [sys.executable, EXAMPLE, *where, "--jobs", "1", "--partition-size", str(args.partition_size),
                    "--out", tempfile.mkdtemp(dir=folder), "-0", "--files-from", listing]

        def timed(name, command):
            with open(os.path.join(folder, "stdout"), "wb") as out:
                began = time.perf_counter()
                done = subprocess.run(command, stdout=out, stderr=subprocess.PIPE, env=env)
                walls.setdefault(name, []).append(time.perf_counter() - began)
            if done.returncode != 0:
                sys.exit(f"{name}: exit {done.returncode}\n{done.stderr.decode(errors='replace')}")
            if command[1] == EXAMPLE:
                with open(os.path.join(command[command.index("--out") + 1], "summary.json")) as f:
                    if json.load(f) != expected:
                        sys.exit(f"{name}: summary.json differs from vantric-cli's summary")

        for _ in range(args.runs):
            with dask_scan.local_cluster(2) as cluster:
                # The workers' first task loads vantric and its databases; a
                # cluster in service has done that long before.
                subprocess.run(example("--scheduler", cluster.scheduler_address), env=env, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                timed("dask, running cluster", example("--scheduler", cluster.scheduler_address))
            timed(CLI_RUN, cli)
            timed("dask, cluster started per run", example("--local-workers", "2"))
            timed("python -c 'import distributed'", [sys.executable, "-c", "import distributed"])

    base = statistics.median(walls[CLI_RUN])
    print(f"{'':32} {'median s':>9} {'least s':>8} {'ratio':>6}")
    for name in (CLI_RUN, "dask, running cluster", "dask, cluster started per run", "python -c 'import distributed'"):
        median = statistics.median(walls[name])
        print(f"{name:32} {median:>9.3f} {min(walls[name]):>8.3f} {median / base:>6.2f}")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Files per second of `import vantric` against vantric-cli and yara-python
over the same folder of real programs, with the same signatures, at 1 and
2 jobs.

    PYTHONPATH=build/linux/python /usr/bin/python3 bench/python_module_bench.py \
        [--cli build/linux/cli/vantric-cli] [--files 1000] [--runs 7] [--signatures 1000]

The files are Wine's PE files (*.exe and *.dll of its 32-bit and 64-bit
folders, sorted by path, the first --files of them; --pe-folder names other
folders, e.g. one where `dpkg-deb -x` unpacked libwine:i386). Each is timed:

  cli      vantric-cli -j N --json --files-from LIST > /dev/null: the whole
           process, its databases' loading included
  module   in this process, vantric.Analyzer(...) then
           list(analyzer.analyze_many(paths, jobs=N)); "scan" leaves the
           Analyzer's construction out, "+load" counts it
  yara     yara-python: yara.compile(source=...) once, then rules.match(path)
           for each file on N Python threads (one: a plain loop); "scan"
           leaves the compile out, "+compile" counts it

with two pairs of databases:

  shipped  data/vantric.vnt and data/compression.vnt; YARA gets the same
           patterns as one rule per record, a compression record's limit as
           "filesize >= L and $a in (0..L-1)". YARA finds every pattern in
           the whole file while vantric stops reading once the winners are
           known, and vantric also reads version strings and toolchain
           evidence, so the two do different work here.
  random   a compiler database of --signatures random literal signatures of
           4 to 80 bytes (bytes 1 to 255), drawn again while any occurs in a
           file, built with the tree's vntdb as bench/cli_vs_yara.py builds
           it, beside a compression database without signatures, so both
           tools search the same signatures and find nothing.

YARA matches with fast=True (each string's first occurrence is all that the
question needs; with no occurrence it changes nothing).

Before timing, the results are checked: the module's dicts must equal
vantric-cli's JSON lines, and the winners YARA's matches give (the first
matching record in database order) must equal the module's. The script also
checks that both the module and yara-python let other Python threads run
while they work.

Each run is a round of every case, the three tools taking turns at going
first. The table shows files/s from the median time of --runs runs, and the
ratios module/CLI and module/YARA as medians of each round's ratio (paired,
so that a slow stretch of a shared machine hits both sides of a ratio); above
1 the module is faster. CPU time (user + system, all threads) is the median
per run. The load average is printed before and after: other work on the
machine moves the wall times.

Needs Debian's python3-yara (run with /usr/bin/python3) and the build's
vantric-cli, vntdb and Python module
(cmake --build --preset linux --target vantric-cli vntdb vantric_python).
"""
import argparse
import glob
import json
import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import warnings
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cli_vs_yara import empty_compression_database, vantric_database  # noqa: E402

WINE_FOLDERS = ("/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows")
TOOLS = ("cli", "module", "yara")


def program_files(folders, count):
    """The first `count` *.exe and *.dll files (by path) of the folders that start with MZ."""
    found = []
    for folder in folders:
        for path in glob.glob(os.path.join(folder, "*.exe")) + glob.glob(os.path.join(folder, "*.dll")):
            with open(path, "rb") as f:
                if f.read(2) == b"MZ":
                    found.append(path)
    found.sort()
    if len(found) < count:
        print(f"note: only {len(found)} PE files in {', '.join(folders)}; timing those")
    return found[:count]


# --- The databases' records, as YARA rules ----------------------------------

ESCAPES = {"\\": b"\\", '"': b'"', "n": b"\n", "r": b"\r", "t": b"\t", "0": b"\0"}


def field_bytes(text):
    """A field's value in vntdb's text form: "quoted" parts and <hex> parts side by side."""
    out, i = bytearray(), 0
    while i < len(text):
        c = text[i]
        if c.isspace():
            i += 1
        elif c == "<":
            end = text.index(">", i)
            out += bytes.fromhex(text[i + 1:end])
            i = end + 1
        elif c == '"':
            i += 1
            while text[i] != '"':
                if text[i] == "\\":
                    if text[i + 1] == "x":
                        out.append(int(text[i + 2:i + 4], 16))
                        i += 4
                    else:
                        out += ESCAPES[text[i + 1]]
                        i += 2
                else:
                    out += text[i].encode("latin-1")
                    i += 1
            i += 1
        else:
            raise ValueError(f"unexpected {text[i:]!r} in a vntdb dump")
    return bytes(out)


def database_records(vntdb, path):
    """The records of a database, in order, each a dict of field name to bytes."""
    dump = subprocess.run([vntdb, "dump", path], check=True, capture_output=True, text=True,
                          encoding="latin-1").stdout
    records = []
    for line in dump.splitlines():
        if line == "record":
            records.append({})
        elif line.startswith("  ") and records:
            name, _, value = line.strip().partition(" ")
            records[-1][name] = field_bytes(value)
    return records


def search_limit(text):
    """A compression record's limit ("$400", "0x400", "1024"), None for the whole file."""
    text = text.decode("latin-1").lstrip(" ")
    for prefix in ("0x", "0X", "$", "x", "X"):
        if text.startswith(prefix):
            digits = text[len(prefix):]
            if not 1 <= len(digits) <= 8 or any(c not in "0123456789abcdefABCDEF" for c in digits):
                return None
            value = int(digits, 16)
            return value if value < 1 << 31 else None  # above: negative, the whole file
    digits = text[1:] if text[:1] in "+-" else text
    if not digits.isdigit() or not digits.isascii():
        return None
    value = int(text)
    return value if 0 <= value < 1 << 31 else None


def yara_source(compilers, compressions):
    """One rule per record with a pattern: c<i> for compiler records, z<i> for compression ones."""
    rules = []
    for prefix, records in (("c", compilers), ("z", compressions)):
        for i, record in enumerate(records):
            pattern = record.get("pattern", b"")
            if not pattern:
                continue
            condition = "$a"
            limit = search_limit(record.get("limit", b"")) if prefix == "z" else None
            if limit is not None:
                condition = f"filesize >= {limit} and $a in (0..{limit - 1})" if limit > 0 else "false"
            rules.append(f"rule {prefix}{i} {{ strings: $a = {{ {pattern.hex(' ')} }} condition: {condition} }}")
    return "\n".join(rules) + "\n"


def text(value):
    try:
        return value.decode()
    except UnicodeDecodeError:
        return value.decode("latin-1")


def expected_winners(matches, compilers, compressions):
    """(compiler, program) names that the first matching record of each database gives, "-" for none."""
    hit = {m.rule for m in matches}
    compiler = next((text(r["compiler"]) for i, r in enumerate(compilers) if f"c{i}" in hit), "-")
    program = next((text(r["program"]) for i, r in enumerate(compressions) if f"z{i}" in hit), "-")
    return compiler, program


def random_signatures(count, paths, rng):
    """Random literal signatures, none of which occurs in any of the files (YARA checks)."""
    import yara

    def draw():
        return bytes(rng.randint(1, 255) for _ in range(rng.randint(4, 80)))

    signatures = [draw() for _ in range(count)]
    while True:
        source = "".join(f"rule s{i} {{ strings: $a = {{ {s.hex(' ')} }} condition: $a }}\n"
                         for i, s in enumerate(signatures))
        rules = yara.compile(source=source)
        found = set()
        for path in paths:
            found.update(int(m.rule[1:]) for m in rules.match(path, fast=True))
        if not found:
            return signatures
        for i in found:
            signatures[i] = draw()


# --- The three ways of analysing the files ----------------------------------

def cpu_self():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def run_cli(case, jobs):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    began = time.perf_counter()
    done = subprocess.run([case["cli"], "-j", str(jobs), "--json", "--compiler-db", case["compiler_db"],
                           "--compression-db", case["compression_db"], "--files-from", case["list"]],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - began
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"vantric-cli: exit {done.returncode}\n{done.stderr.decode(errors='replace')}")
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    return {"total": wall, "cpu": cpu}


def run_module(case, jobs):
    import vantric
    cpu = cpu_self()
    began = time.perf_counter()
    analyzer = vantric.Analyzer(case["compiler_db"], case["compression_db"])
    built = time.perf_counter()
    results = list(analyzer.analyze_many(case["paths"], jobs=jobs))
    ended = time.perf_counter()
    cpu = cpu_self() - cpu
    if len(results) != len(case["paths"]) or any(r["status"] != "ok" for r in results):
        sys.exit("module: a file was not analysed")
    return {"total": ended - began, "scan": ended - built, "cpu": cpu}


def match_all(rules, paths, jobs):
    def match(path):
        return rules.match(path, fast=True)
    if jobs == 1:
        return [match(path) for path in paths]
    with ThreadPoolExecutor(jobs) as pool:
        return list(pool.map(match, paths))


def run_yara(case, jobs):
    import yara
    cpu = cpu_self()
    began = time.perf_counter()
    rules = yara.compile(source=case["yara_source"])
    compiled = time.perf_counter()
    matches = match_all(rules, case["paths"], jobs)
    ended = time.perf_counter()
    cpu = cpu_self() - cpu
    if len(matches) != len(case["paths"]):
        sys.exit("yara: a file is missing")
    return {"total": ended - began, "scan": ended - compiled, "cpu": cpu}


RUNNERS = {"cli": run_cli, "module": run_module, "yara": run_yara}


# --- Checks before timing ---------------------------------------------------

def check_results(case):
    """The module agrees with vantric-cli line for line, and with YARA on the winners."""
    import vantric
    import yara
    done = subprocess.run([case["cli"], "-j", "2", "--json", "--compiler-db", case["compiler_db"],
                           "--compression-db", case["compression_db"], "--files-from", case["list"]],
                          capture_output=True, check=True)
    from_cli = [json.loads(line) for line in done.stdout.decode().splitlines()]
    analyzer = vantric.Analyzer(case["compiler_db"], case["compression_db"])
    from_module = list(analyzer.analyze_many(case["paths"], jobs=2))
    if from_cli != from_module:
        differ = sum(a != b for a, b in zip(from_cli, from_module)) + abs(len(from_cli) - len(from_module))
        sys.exit(f"{case['name']}: the module and vantric-cli differ on {differ} files")
    if list(analyzer.analyze_many(case["paths"], jobs=1)) != from_module:
        sys.exit(f"{case['name']}: the module's results change with jobs")
    rules = yara.compile(source=case["yara_source"])
    disagree = []
    for path, result in zip(case["paths"], from_module):
        mine = (result["compiler"]["compiler"], result["compression"]["program"])
        theirs = expected_winners(rules.match(path), case["compilers"], case["compressions"])
        if mine != theirs:
            disagree.append(f"{path}: vantric {mine}, YARA's matches {theirs}")
    if disagree:
        sys.exit(f"{case['name']}: YARA's matches give other winners on {len(disagree)} files:\n"
                 + "\n".join(disagree[:10]))
    named = sum(r["compiler"]["compiler"] != "-" for r in from_module)
    packed = sum(r["compression"]["program"] != "-" for r in from_module)
    print(f"{case['name']}: results agree (vantric-cli = module = YARA's winners); "
          f"{named} files with a compiler, {packed} with a packer")


def lets_python_run(work, seconds=0.3):
    """How fast a Python thread counts while `work` runs, against while this thread sleeps."""
    def rate(during):
        stop, counted = threading.Event(), []

        def count():
            n = 0
            while not stop.is_set():
                n += 1
            counted.append(n)
        counter = threading.Thread(target=count)
        counter.start()
        began = time.perf_counter()
        during()
        elapsed = time.perf_counter() - began
        stop.set()
        counter.join()
        return counted[0] / elapsed
    idle = rate(lambda: time.sleep(seconds))
    return rate(work) / idle


def check_gil(case):
    import vantric
    import yara
    big = max(case["paths"], key=os.path.getsize)
    analyzer = vantric.Analyzer(case["compiler_db"], case["compression_db"])
    rules = yara.compile(source=case["yara_source"])
    module = lets_python_run(lambda: [list(analyzer.analyze_many([big] * 40, jobs=1))])
    theirs = lets_python_run(lambda: [rules.match(big, fast=True) for _ in range(5)])
    print(f"another Python thread counts at {module:.0%} of its idle rate during analyze_many, "
          f"{theirs:.0%} during rules.match ({os.path.basename(big)}, "
          f"{os.path.getsize(big) / 1e6:.0f} MB): both let go of the GIL"
          if min(module, theirs) > 0.3 else f"during analyze_many {module:.0%}, rules.match {theirs:.0%}:"
          " one of them holds the GIL while it works")


# --- Main -------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", default=os.path.join(ROOT, "build/linux/cli/vantric-cli"))
    parser.add_argument("--vntdb", default=os.path.join(ROOT, "build/linux/tools/vntdb/vntdb"))
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--signatures", type=int, default=1000)
    parser.add_argument("--jobs", default="1,2")
    parser.add_argument("--databases", default="shipped,random", help="shipped, random or both")
    parser.add_argument("--pe-folder", action="append", help="instead of Wine's folders (repeatable)")
    args = parser.parse_args()
    try:
        import vantric
        import yara
    except ImportError as error:
        sys.exit(f"{error}: run with /usr/bin/python3 (python3-yara) and PYTHONPATH=build/linux/python")
    # The compression database without signatures is meant.
    warnings.simplefilter("ignore", getattr(vantric, "DatabaseWarning", UserWarning))
    cli, vntdb = os.path.abspath(args.cli), os.path.abspath(args.vntdb)
    for program in (cli, vntdb):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} missing: cmake --build --preset linux --target vantric-cli vntdb vantric_python")
    jobs_list = [int(j) for j in args.jobs.split(",")]
    paths = program_files(args.pe_folder or WINE_FOLDERS, args.files)
    if not paths:
        sys.exit("no PE files: apt-get install wine64 (and wine32), or name a folder with --pe-folder")
    size = sum(os.path.getsize(p) for p in paths)
    print(f"vantric {vantric.__version__} ({os.path.dirname(vantric.__file__)}), yara-python {yara.__version__}, "
          f"vantric-cli {cli}")
    print(f"{len(paths)} files, {size / 1e6:.0f} MB in all; {os.cpu_count()} cores; "
          f"load average {os.getloadavg()[0]:.2f}")

    with tempfile.TemporaryDirectory() as folder:
        listing = os.path.join(folder, "files.txt")
        with open(listing, "w") as f:
            f.write("".join(p + "\n" for p in paths))
        for path in paths:  # into the page cache
            with open(path, "rb") as f:
                while f.read(1 << 20):
                    pass
        cases = []
        for name in args.databases.split(","):
            case = {"name": name, "cli": cli, "list": listing, "paths": paths}
            if name == "shipped":
                case["compiler_db"] = os.path.join(ROOT, "data/vantric.vnt")
                case["compression_db"] = os.path.join(ROOT, "data/compression.vnt")
            elif name == "random":
                signatures = random_signatures(args.signatures, paths, random.Random(1))
                case["compiler_db"] = vantric_database(signatures, vntdb, folder)
                case["compression_db"] = empty_compression_database(vntdb, folder)
                name = f"random {len(signatures)}"
                case["name"] = name
            else:
                sys.exit(f"unknown database set {name}")
            case["compilers"] = database_records(vntdb, case["compiler_db"])
            case["compressions"] = database_records(vntdb, case["compression_db"])
            case["yara_source"] = yara_source(case["compilers"], case["compressions"])
            check_results(case)
            cases.append(case)
        check_gil(cases[0])

        times = {}  # (case, jobs, tool) -> list of runs
        for run in range(args.runs):
            for case in cases:
                for jobs in jobs_list if run % 2 == 0 else reversed(jobs_list):
                    order = TOOLS[run % 3:] + TOOLS[:run % 3]
                    for tool in order:
                        times.setdefault((case["name"], jobs, tool), []).append(RUNNERS[tool](case, jobs))
            print(f"run {run + 1} of {args.runs} done, load average {os.getloadavg()[0]:.2f}", file=sys.stderr)

        def median(key, field):
            return statistics.median(r[field] for r in times[key])

        def ratios(case, jobs, mine, tool, theirs):
            return [t[theirs] / m[mine] for m, t in zip(times[(case, jobs, "module")], times[(case, jobs, tool)])]

        def paired(*key):
            return statistics.median(ratios(*key))

        def wins(*key):
            return f"{sum(r > 1 for r in ratios(*key))}/{args.runs}"

        n = len(paths)
        print()
        print("files/s (median); module/CLI and module/YARA: median of the runs' ratios, above 1 the module is faster;"
              " wins: in how many runs the module was faster than the CLI")
        print(f"{'databases':<12} {'jobs':>4} {'cli':>7} {'module':>7} {'+load':>7} {'yara':>7} {'+compile':>8}"
              f" {'mod/cli':>8} {'wins':>5} {'mod/yara':>9} {'+compile':>9}   {'cpu s: cli':>10} {'module':>7} {'yara':>6}")
        for case in cases:
            for jobs in jobs_list:
                key = lambda tool: (case["name"], jobs, tool)  # noqa: E731
                print(f"{case['name']:<12} {jobs:>4}"
                      f" {n / median(key('cli'), 'total'):>7.0f}"
                      f" {n / median(key('module'), 'scan'):>7.0f}"
                      f" {n / median(key('module'), 'total'):>7.0f}"
                      f" {n / median(key('yara'), 'scan'):>7.0f}"
                      f" {n / median(key('yara'), 'total'):>8.0f}"
                      f" {paired(case['name'], jobs, 'total', 'cli', 'total'):>8.2f} {wins(case['name'], jobs, 'total', 'cli', 'total'):>5}"
                      f" {paired(case['name'], jobs, 'scan', 'yara', 'scan'):>9.2f}"
                      f" {paired(case['name'], jobs, 'total', 'yara', 'total'):>9.2f}"
                      f"   {median(key('cli'), 'cpu'):>10.2f}"
                      f" {median(key('module'), 'cpu'):>7.2f}"
                      f" {median(key('yara'), 'cpu'):>6.2f}")
        print(f"\nmod/cli compares the module with its Analyzer's construction (the CLI's time includes its "
              f"start and loading); mod/yara compares the scans alone, +compile both with their set-up. "
              f"Load average now {os.getloadavg()[0]:.2f}.")


if __name__ == "__main__":
    main()

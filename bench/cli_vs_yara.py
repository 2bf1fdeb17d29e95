#!/usr/bin/env python3
"""Wall time of one whole vantric-cli run against YARA on the same 128 MiB
file and the same literal signatures, none of which occurs in the file.

    bench/cli_vs_yara.py [--cli build/linux/cli/vantric-cli] [--counts 1000,5000] [--pairs 9]

The file is Wine's 32-bit PE files, else its 64-bit ones (sorted, repeated,
cut to 128 MiB). The
signatures are random byte strings of 4 to 80 bytes (bytes 1 to 255), drawn
again whenever one occurs in the file, so both tools scan everything and
find nothing. vantric-cli gets them as a compiler database built with the
build's own vntdb, beside a compression database without signatures (so that
both tools search for the same signatures; --shipped-compression puts the
shipped compression database there instead, which adds its own pass over
the file); YARA gets them as hex strings compiled once with yarac. Each pair runs both tools once,
taking turns at going first; the table gives the median wall time of each,
the ratio YARA / vantric-cli (above 1: vantric-cli is faster), and the
median CPU time (user + system) of each, which other work on a shared
machine disturbs less than the wall time.

Needs Debian's yara package (apt-get install yara). --cli may name any
build, an older one included; vntdb always comes from this tree's build
(cmake --build --preset linux --target vntdb vantric-cli).
"""
import argparse
import glob
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def pe_files():
    """Wine's 32-bit PE files, or its 64-bit ones where the 32-bit Wine is missing."""
    for folder in ("/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"):
        found = []
        for path in sorted(glob.glob(folder + "/*")):
            with open(path, "rb") as f:
                if f.read(2) == b"MZ":
                    found.append(path)
        if found:
            return found
    sys.exit("no PE files in Wine's folders (apt-get install wine32 or wine64)")


def haystack(size=128 << 20):
    """Wine's PE files end to end, sorted, repeated as needed, cut to size."""
    paths, data = pe_files(), bytearray()
    while len(data) < size:
        for path in paths:
            with open(path, "rb") as f:
                data += f.read()
            if len(data) >= size:
                break
    return bytes(data[:size])


def absent_signatures(count, data, rng):
    signatures = []
    while len(signatures) < count:
        signature = bytes(rng.randint(1, 255) for _ in range(rng.randint(4, 80)))
        if signature not in data:
            signatures.append(signature)
    return signatures


def empty_compression_database(vntdb, folder):
    source = os.path.join(folder, "empty.sig")
    with open(source, "w") as f:
        f.write('kind compression\nversion "bench"\ndate "bench"\n')
    out = os.path.join(folder, "empty.vnt")
    subprocess.run([vntdb, "build", source, "-o", out], check=True)
    return out


def vantric_database(signatures, vntdb, folder):
    source = os.path.join(folder, "bench.sig")
    with open(source, "w") as f:
        f.write('kind compiler\nversion "bench"\ndate "bench"\n')
        for i, signature in enumerate(signatures):
            f.write(f'record\n  pattern <{signature.hex()}>\n  language "Bench"\n'
                    f'  compiler "sig{i}"\n  company "-"\n  url "-"\n')
    out = os.path.join(folder, "bench.vnt")
    subprocess.run([vntdb, "build", source, "-o", out], check=True)
    return out


def yara_rules(signatures, folder):
    # One rule per signature, as the database has one record per signature.
    # YARA scans all strings in one Aho-Corasick pass either way: one rule
    # with every string and "any of them" timed the same (yara 4.2.3, 1,000
    # strings), and a rule per string keeps clear of --max-strings-per-rule
    # (10,000) at any count. -f (fast scan) changes nothing when no string
    # occurs, so it is left out.
    source = os.path.join(folder, "bench.yar")
    with open(source, "w") as f:
        for i, signature in enumerate(signatures):
            f.write(f"rule s{i} {{ strings: $a = {{ {signature.hex(' ')} }} condition: $a }}\n")
    out = os.path.join(folder, "bench.yarc")
    subprocess.run(["yarac", source, out], check=True)
    return out


def timed(command):
    """Wall time, CPU time (user + system) and the finished process."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    began = time.perf_counter()
    done = subprocess.run(command, capture_output=True, text=True, errors="replace")
    wall = time.perf_counter() - began
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime, done


def check_vantric(done):
    # The database's answer, not the toolchain evidence listed under it.
    compiler = [line.split(":", 1)[1].strip() for line in done.stdout.splitlines()
                if line.startswith("  Compiler:")]
    if done.returncode != 0 or compiler != ["-"]:
        sys.exit(f"vantric-cli: exit {done.returncode}, compiler {compiler}: a signature matched?\n"
                 f"{done.stdout}{done.stderr}")


def check_yara(done):
    if done.returncode != 0 or done.stdout.strip():
        sys.exit(f"yara: exit {done.returncode}, a signature matched?\n{done.stdout}{done.stderr}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(ROOT, "build/linux/cli/vantric-cli"))
    parser.add_argument("--counts", default="1000,5000")
    parser.add_argument("--pairs", type=int, default=9)
    parser.add_argument("--shipped-compression", action="store_true",
                        help="give vantric-cli the shipped compression database too")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    vntdb = os.path.join(ROOT, "build/linux/tools/vntdb/vntdb")
    counts = [int(n) for n in args.counts.split(",")]
    if not shutil.which("yara") or not shutil.which("yarac"):
        sys.exit("yara and yarac not found: apt-get install -y yara")
    for program in (cli, vntdb):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} missing: cmake --preset linux && "
                     "cmake --build --preset linux -j2 --target vntdb vantric-cli")

    version = subprocess.run(["yara", "--version"], capture_output=True, text=True).stdout.strip()
    print(f"vantric-cli {cli}, yara {version}")
    data = haystack()
    # The smaller sets are the first signatures of the largest, so that the
    # slow "does it occur" check runs once.
    everything = absent_signatures(max(counts), data, random.Random(1))
    with tempfile.TemporaryDirectory() as folder:
        target = os.path.join(folder, "haystack.bin")
        with open(target, "wb") as f:
            f.write(data)
        del data
        compression = (os.path.join(ROOT, "data/compression.vnt") if args.shipped_compression
                       else empty_compression_database(vntdb, folder))
        print(f"{'sigs':>6} {'vantric s':>10} {'yara s':>8} {'speed-up':>9} {'vantric cpu':>12} {'yara cpu':>9}")
        for count in counts:
            signatures = everything[:count]
            vantric = [cli, "--compiler-db", vantric_database(signatures, vntdb, folder),
                       "--compression-db", compression, target]
            yara = ["yara", "-p", "1", "-C", yara_rules(signatures, folder), target]
            check_vantric(timed(vantric)[2])  # also brings the file into the page cache
            check_yara(timed(yara)[2])
            wall, cpu = {"vantric": [], "yara": []}, {"vantric": [], "yara": []}
            for pair in range(args.pairs):
                order = [("vantric", vantric, check_vantric), ("yara", yara, check_yara)]
                for name, command, check in order if pair % 2 == 0 else reversed(order):
                    elapsed, used, done = timed(command)
                    check(done)
                    wall[name].append(elapsed)
                    cpu[name].append(used)
            mine, theirs = statistics.median(wall["vantric"]), statistics.median(wall["yara"])
            print(f"{count:>6} {mine:>10.3f} {theirs:>8.3f} {theirs / mine:>8.2f}x"
                  f" {statistics.median(cpu['vantric']):>12.3f} {statistics.median(cpu['yara']):>9.3f}")


if __name__ == "__main__":
    main()

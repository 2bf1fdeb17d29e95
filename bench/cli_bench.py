#!/usr/bin/env python3
"""Files per second and MB per second of vantric-cli over a folder of 1,000
generated files of mixed sizes, at -j 1 and -j 2.

    cli_bench.py [--cli build/linux/cli/vantric-cli] [--files 1000]

Files are cut from real PE bytes (Wine's DLLs, when present) so that the
version reader and the matcher see realistic input; sizes run from 10 bytes
to 8 MiB, most of them small, as in a folder of programs and libraries.
"""
import argparse
import glob
import os
import random
import subprocess
import tempfile
import time


def source_bytes(limit=64 << 20):
    data = bytearray()
    for path in sorted(glob.glob("/usr/lib/i386-linux-gnu/wine/i386-windows/*.dll")):
        with open(path, "rb") as f:
            data += f.read()
        if len(data) >= limit:
            break
    if len(data) < (8 << 20):
        data += random.Random(1).randbytes((8 << 20) - len(data))
    return bytes(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default="build/linux/cli/vantric-cli")
    parser.add_argument("--files", type=int, default=1000)
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    data = source_bytes()
    rng = random.Random(2)
    with tempfile.TemporaryDirectory() as folder:
        total = 0
        for i in range(args.files):
            size = min(int(rng.lognormvariate(11, 2)), 8 << 20)  # median ~60 KB
            size = max(size, 10)
            start = rng.randrange(0, len(data) - size)
            sub = os.path.join(folder, f"d{i % 20:02d}")
            os.makedirs(sub, exist_ok=True)
            with open(os.path.join(sub, f"f{i:04d}.bin"), "wb") as f:
                f.write(data[start:start + size])
            total += size
        print(f"{args.files} files, {total / 1e6:.1f} MB in all")
        print(f"{'jobs':>4} {'seconds':>8} {'files/s':>9} {'MB/s':>8}")
        for jobs in (1, 2):
            best = None
            for _ in range(3):
                began = time.perf_counter()
                subprocess.run([cli, "--json", "-r", "-j", str(jobs), folder], check=False,
                               stdout=subprocess.DEVNULL)
                elapsed = time.perf_counter() - began
                best = elapsed if best is None else min(best, elapsed)
            print(f"{jobs:>4} {best:>8.2f} {args.files / best:>9.0f} {total / 1e6 / best:>8.0f}")


if __name__ == "__main__":
    main()

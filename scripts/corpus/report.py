#!/usr/bin/env python3
"""Runs vantric-cli over the files of a corpus manifest and tells how well the
databases did.

The manifest has one line per file: path, compiler family, packer, source,
and optionally the compiler's and the packer's version, separated by tabs. A
file's compiler is right when the compiler name the databases report starts
with its family ("none": nothing may be reported); its packer is right when
the reported program starts with the labelled one ("-": nothing may be
reported, and anything else is a false packer claim). A version, where the
manifest knows it, is the start of the name that tells it ("UPX 3.94"): the
file is right at the version level when the reported name starts with it.
"""
import argparse
import collections
import json
import subprocess
import sys


def run_cli(cli, compiler_db, compression_db, paths):
    results = {}
    for i in range(0, len(paths), 200):
        chunk = paths[i:i + 200]
        proc = subprocess.run(
            [cli, "--json", "-j", "2", "--compiler-db", compiler_db,
             "--compression-db", compression_db, *chunk],
            stdout=subprocess.PIPE, check=False)
        if proc.returncode == 2:
            sys.exit("report: vantric-cli refused the databases")
        for line in proc.stdout.decode("latin-1").splitlines():
            obj = json.loads(line)
            results[obj["path"]] = obj
    return results


# Installers wrap a payload but leave their own stub as it was built.
INSTALLERS = ("NSIS", "Inno Setup", "Squirrel", "Python script launcher (distlib)")


def judge(expected, reported):
    """right / wrong / unidentified for one file and one pass."""
    if reported == "-":
        return "right" if expected in ("none", "-") else "unidentified"
    if expected in ("none", "-"):
        return "wrong"
    return "right" if reported.startswith(expected) else "wrong"


def table(title, counts, order):
    print(f"{title:<36} {'files':>6} {'right':>6} {'wrong':>6} {'unident.':>8}")
    total = collections.Counter()
    for key in order:
        c = counts[key]
        total.update(c)
        print(f"{key:<36} {sum(c.values()):>6} {c['right']:>6} {c['wrong']:>6} {c['unidentified']:>8}")
    n = sum(total.values())
    print(f"{'total':<36} {n:>6} {total['right']:>6} {total['wrong']:>6} {total['unidentified']:>8}"
          + (f"   ({100.0 * total['right'] / n:.1f}% right)" if n else ""))
    return total, n


# What the toolchain evidence must name for a family, where the family's
# files state it: the finding's name starts with the first text, and the
# version the manifest knows (after the family's name) starts its version.
EVIDENCE = {
    "Microsoft Visual C++": "Microsoft Visual C++",
    "GCC (MinGW-w64)": "GCC",
    "Go": "Go",
    "rustc": "rustc",
    ".NET (C#)": ".NET",
    "Embarcadero Delphi": "Embarcadero Delphi",
    "Free Pascal": "Free Pascal",
}
PACKER_EVIDENCE = ("UPX", "NSIS", "Inno Setup")


def stated_version(label, family):
    """ "GCC (MinGW-w64) 12" -> "12", "Embarcadero Delphi (compiler 35.0)" -> "35.0"."""
    if label in ("-", "") or not label.startswith(family):
        return ""
    rest = label[len(family):].strip()
    return rest.removeprefix("(compiler ").rstrip(")").removeprefix("(gc) ")


def evidence_verdict(findings, name, version, kinds):
    """right / wrong / unidentified: whether a finding of `kinds` names `name`
    at `version`; a Microsoft Visual C++ finding must name its generation."""
    named = [f for f in findings if f["kind"] in kinds]
    for f in named:
        if not f["name"].startswith(name):
            continue
        if name == "Microsoft Visual C++" and "(Visual Studio" not in f["version"]:
            return "unidentified"
        if name == "Go" and version:
            version = version.removeprefix("Go (gc) ")
        return "right" if f["version"].startswith(version) else "wrong"
    return "unidentified"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--compiler-db", required=True)
    ap.add_argument("--compression-db", required=True)
    ap.add_argument("--verbose", "-v", action="store_true", help="list every miss")
    ap.add_argument("manifest")
    args = ap.parse_args()

    entries = []
    with open(args.manifest, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            fields += ["-"] * (6 - len(fields))
            entries.append(tuple(fields[:6]))
    results = run_cli(args.cli, args.compiler_db, args.compression_db, [e[0] for e in entries])

    by_family = collections.defaultdict(collections.Counter)
    # A packer hides the compiler's marks, so packed files are judged apart.
    by_packed_family = collections.defaultdict(collections.Counter)
    by_packer = collections.defaultdict(collections.Counter)
    by_source = collections.Counter()
    # Per versioned name: how many files were named down to that version.
    by_version = collections.defaultdict(collections.Counter)
    # Per family: whether the toolchain evidence named its version.
    by_evidence = collections.defaultdict(collections.Counter)
    misses = []
    false_claims = []
    for path, family, packer, source, compiler_version, packer_version in entries:
        obj = results.get(path)
        if obj is None or obj.get("status") != "ok":
            by_family[family]["unidentified"] += 1
            misses.append((path, family, "(not analysed)"))
            continue
        by_source[f"{family} <- {source}"] += 1
        compiler = obj["compiler"]["compiler"]
        # Where the databases name none, the first compiler the evidence names.
        if compiler == "-":
            named = [f["name"] for f in obj.get("toolchain", []) if f["kind"] == "compiler"]
            if named:
                compiler = named[0]
                by_source["(family from the evidence)"] += 1
        program = obj["compression"]["program"]
        verdict = judge(family, compiler)
        packed = packer not in ("-",) + INSTALLERS
        (by_packed_family if packed else by_family)[family][verdict] += 1
        if verdict != "right" and not packed:
            misses.append((path, family, compiler))
        for want, got in ((compiler_version, compiler), (packer_version, program)):
            if want != "-":
                # The family's bare name ("Go (gc)" for "Go (gc) 1.19") or
                # nothing is a version not told; any other name is wrong.
                v = ("right" if got.startswith(want) else
                     "unidentified" if got == "-" or want.startswith(got) else "wrong")
                by_version[want][v] += 1
                if v != "right":
                    misses.append((path, want, got))
        findings = obj.get("toolchain", [])
        # Delphi's runtime states its version only since the Embarcadero releases.
        unstated = family == "Embarcadero Delphi" and compiler_version == "-"
        if not packed and family in EVIDENCE and not unstated:
            want = stated_version(compiler_version, family)
            v = evidence_verdict(findings, EVIDENCE[family], want, ("compiler", "runtime"))
            by_evidence[family][v] += 1
            if v != "right":
                misses.append((path, f"evidence {family} {want}", str(findings)[:200]))
        if family == "none" and not packed and any(f["kind"] == "compiler" for f in findings):
            by_evidence["none (no compiler may be named)"]["wrong"] += 1
            misses.append((path, "no compiler evidence", str(findings)[:200]))
        elif family == "none" and not packed:
            by_evidence["none (no compiler may be named)"]["right"] += 1
        for name in PACKER_EVIDENCE:
            if packer.startswith(name):
                v = evidence_verdict(findings, name, stated_version(packer_version, name), ("packer", "installer"))
                by_evidence[name][v] += 1
                if v != "right":
                    misses.append((path, f"evidence {name}", str(findings)[:200]))
        if packer != "-":
            v = judge(packer, program)
            by_packer[packer][v] += 1
            if v != "right":
                misses.append((path, packer, program))
        elif program != "-":
            false_claims.append((path, program))

    _, n = table("compiler family", by_family, sorted(by_family))
    print()
    table("packer / installer", by_packer, sorted(by_packer))
    if by_packed_family:
        print()
        table("compiler of packed files", by_packed_family, sorted(by_packed_family))
    if by_version:
        print()
        table("version level", by_version, sorted(by_version))
    if by_evidence:
        print()
        table("toolchain evidence", by_evidence, sorted(by_evidence))
    print()
    unpacked = sum(1 for e in entries if e[2] == "-")
    print(f"false packer claims on unpacked files: {len(false_claims)} of {unpacked}")
    for path, program in false_claims:
        print(f"  {path}: {program}")
    print()
    print("corpus by family and source:")
    for key in sorted(by_source):
        print(f"  {by_source[key]:>4}  {key}")
    if misses and args.verbose:
        print()
        print("misses (file, expected, reported):")
        for path, want, got in misses:
            print(f"  {path}\t{want}\t{got}")
    elif misses:
        print(f"\n{len(misses)} misses; -v lists them")


if __name__ == "__main__":
    main()

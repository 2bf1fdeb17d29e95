#!/usr/bin/env python3
"""End-to-end tests of vantric-cli on files and databases made here.

    test_cli.py --cli PATH [--emulator 'wine-run|--prefix|DIR']

The databases are written by this script's own small writer, independent of
the program's code, so a fault in the shared format code can't hide itself.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import unittest

CLI = None
EMULATOR = []

RECORD_FIELDS = 5
FIELD_SIZE = 81


def scramble(data: bytes) -> bytes:
    return bytes(((b - 0x1B) & 0xFF) ^ 0x6B for b in data)


def database(records) -> bytes:
    out = bytearray()
    for record in records:
        fields = list(record) + [b""] * (RECORD_FIELDS - len(record))
        for field in fields:
            field = field.encode("latin-1") if isinstance(field, str) else field
            out += bytes([len(field)]) + scramble(field) + b"\0" * (FIELD_SIZE - 1 - len(field))
    return bytes(out)


def run(*args, cwd=None):
    result = subprocess.run(EMULATOR + [CLI] + list(args), capture_output=True, cwd=cwd, timeout=120)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8", "replace")


def norm(path):
    return path.replace("\\", "/")


class CliTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        root = cls.dir = cls.tmp.name

        def write(name, data):
            path = os.path.join(root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            return path

        cls.compilers = write("db/compilers.vnt", database([
            ("1.0", "2026-12-08"),
            ("NEVER-THERE", "Nope"),
            ("SIG-B", "Pascal", "Compiler B", "Maker B", "http://b.example"),
            ("SIG-A", "C", "Compiler A", b"Caf\xe9 & \"Co\"", "http://a.example"),
        ]))
        cls.compressions = write("db/compression.vnt", database([
            ("1.0", "2026-12-08"),
            ("PACKED", "$10", "Packer", "Pack Inc", "-"),
        ]))
        cls.both = write("files/both.bin", b"PACKED" + b"\0" * 50 + b"SIG-A...SIG-B" + b"\0" * 30)
        cls.plain = write("files/plain.bin", b"nothing to see here at all")
        cls.nine = write("files/nine.bin", b"123456789")
        cls.ten = write("files/sub/ten.bin", b"SIG-A12345")
        cls.files = os.path.join(root, "files")
        cls.db_args = ["--compiler-db", cls.compilers, "--compression-db", cls.compressions]

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def json_lines(self, *args):
        status, out, err = run("--json", *self.db_args, *args)
        return status, [json.loads(line) for line in out.splitlines()], err

    def test_text_report_names_fields_as_the_window_does(self):
        status, out, err = run(*self.db_args, self.both, self.plain)
        self.assertEqual(status, 0, err)
        lines = out.splitlines()
        self.assertEqual(lines[0], self.both)
        labels = [line.split(":")[0].strip() for line in lines[1:15] if line.strip()]
        self.assertEqual(labels, ["Filename", "Comments", "Version", "Product", "Company", "Language",
                                  "Compiler", "Company", "URL", "Program", "Company", "URL"])
        self.assertIn("  Filename:  both.bin", lines)
        # The earlier record wins even though SIG-B sits further on in the file.
        self.assertIn("  Compiler:  Compiler B", lines)
        self.assertIn("  Program:   Packer", lines)
        self.assertIn("  Language:  -", out.split(self.plain)[1])

    def test_json_lines_parse_and_carry_every_group(self):
        status, objects, err = self.json_lines(self.both, self.plain, self.ten)
        self.assertEqual(status, 0, err)
        self.assertEqual([o["path"] for o in objects], [self.both, self.plain, self.ten])
        both, plain, ten = objects
        self.assertEqual(both["status"], "ok")
        self.assertEqual(both["version"], {"filename": "both.bin", "comments": "-", "version": "-",
                                           "product": "-", "company": "-"})
        self.assertEqual(both["compiler"]["language"], "Pascal")
        self.assertEqual(both["compression"], {"program": "Packer", "company": "Pack Inc", "url": "-"})
        self.assertEqual(plain["compiler"], {"language": "-", "compiler": "-", "company": "-", "url": "-"})
        # A 10-byte file is analysed; a byte that isn't UTF-8 still gives valid JSON.
        self.assertEqual(ten["compiler"]["company"], "Caf\u00e9 & \"Co\"")

    def test_files_that_are_not_analysed(self):
        missing = os.path.join(self.dir, "files", "missing.bin")
        status, objects, err = self.json_lines(self.nine, missing, self.files)
        self.assertEqual(status, 1)
        self.assertEqual([o["status"] for o in objects], ["too-small", "not-found", "not-found"])
        self.assertTrue(all(o["error"] for o in objects))
        self.assertNotIn("compiler", objects[0])
        status, out, err = run(*self.db_args, missing)
        self.assertEqual((status, out), (1, ""))
        self.assertIn("missing.bin", err)

    def test_folders_are_walked_with_r_in_name_order(self):
        status, objects, err = self.json_lines("-r", self.files)
        self.assertEqual(status, 1, err)  # nine.bin is too small
        names = [norm(o["path"])[len(norm(self.files)) + 1:] for o in objects]
        self.assertEqual(names, ["both.bin", "nine.bin", "plain.bin", "sub/ten.bin"])

    def test_walked_names_outside_ascii(self):
        folder = os.path.join(self.dir, "accents", "d\u00e9j\u00e0")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "caf\u00e9.bin"), "wb") as f:
            f.write(b"SIG-A-----")
        status, objects, err = self.json_lines("-r", os.path.join(self.dir, "accents"))
        self.assertEqual(status, 0, err)
        self.assertEqual([o["status"] for o in objects], ["ok"])
        self.assertEqual(objects[0]["version"]["filename"], "caf\u00e9.bin")

    @unittest.skipIf(os.name != "posix", "needs symbolic links")
    def test_link_loops_end(self):
        if EMULATOR:
            self.skipTest("Wine sees links as what they point to")
        loop = os.path.join(self.dir, "loop")
        os.makedirs(loop, exist_ok=True)
        link = os.path.join(loop, "again")
        if not os.path.islink(link):
            os.symlink(loop, link)
        with open(os.path.join(loop, "f.bin"), "wb") as f:
            f.write(b"SIG-A-----")
        status, objects, err = self.json_lines("-r", loop)
        self.assertEqual([os.path.basename(o["path"]) for o in objects], ["f.bin"])

    @unittest.skipIf(not hasattr(os, "mkfifo"), "needs named pipes")
    def test_named_pipe_does_not_hang(self):
        if EMULATOR:
            self.skipTest("Wine has no named pipes in the file system")
        pipe = os.path.join(self.dir, "pipe")
        if not os.path.exists(pipe):
            os.mkfifo(pipe)
        status, objects, err = self.json_lines(pipe)  # run() times out rather than hang
        self.assertEqual([o["status"] for o in objects], ["too-small"])

    def test_parallel_output_equals_serial(self):
        args = ["-r", self.files, self.both, self.plain, self.both]
        serial = run("--json", *self.db_args, "-j", "1", *args)
        parallel = run("--json", *self.db_args, "-j", "2", *args)
        self.assertEqual(serial, parallel)

    def test_databases(self):
        missing = os.path.join(self.dir, "db", "none.vnt")
        status, out, err = run("--compiler-db", missing, "--compression-db", self.compressions, self.both)
        self.assertEqual((status, out), (2, ""))
        self.assertIn("File not found : " + missing, err)
        # Unnamed databases are looked for in the current folder first.
        here = os.path.join(self.dir, "cwd")
        os.makedirs(here, exist_ok=True)
        for source, name in ((self.compilers, "vantric.vnt"), (self.compressions, "compression.vnt")):
            with open(source, "rb") as f, open(os.path.join(here, name), "wb") as g:
                g.write(f.read())
        status, out, err = run(self.both, cwd=here)
        self.assertEqual(status, 0, err)
        self.assertIn("  Compiler:  Compiler B", out.splitlines())

    def test_summary_counts_compilers_and_packers_after_the_files(self):
        files = [self.both, self.plain, self.ten, self.nine]
        status, out, err = run("--json", "--summary", *self.db_args, "-j", "2", *files)
        self.assertEqual(status, 1, err)  # nine.bin is too small
        objects = [json.loads(line) for line in out.splitlines()]
        self.assertEqual([o.get("path") for o in objects[:-1]], files)
        self.assertEqual(objects[-1], {"summary": {
            "files": 4, "analysed": 3,
            "compilers": [{"name": "Compiler A", "files": 1}, {"name": "Compiler B", "files": 1}],
            "no_compiler": 1, "packers": [{"name": "Packer", "files": 1}], "no_packer": 2}})
        # In text, a name from a hostile database reaches the terminal escaped.
        evil = os.path.join(self.dir, "db", "evil.vnt")
        with open(evil, "wb") as f:
            f.write(database([("1.0", "2026-12-08"), ("SIG-A", "C", b"Red\x1b[31m\xc2\x9b2J", "-", "-")]))
        status, out, err = run("--summary", "--compiler-db", evil, "--compression-db", self.compressions,
                               self.ten, self.ten, self.plain)
        self.assertEqual(status, 0, err)
        summary = out[out.index("Summary: 3 files, 3 analysed"):].splitlines()
        self.assertEqual([line.split() for line in summary[1:]],
                         [["compiler", "files"], ["Red\\x1B[31m\\xC2\\x9B2J", "2"], ["none", "1"],
                          ["packer", "files"], ["none", "3"]])

    def test_usage(self):
        for args in ([], ["--frobnicate", self.both], ["-j", "0", self.both], ["--compiler-db"]):
            status, out, err = run(*args)
            self.assertEqual(status, 2, args)
            self.assertIn("vantric-cli --help", err)
        status, out, err = run("--help")
        self.assertEqual(status, 0)
        self.assertIn("--json", out)


def main():
    global CLI, EMULATOR
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--emulator", default="")
    args, rest = parser.parse_known_args()
    CLI = os.path.abspath(args.cli)
    EMULATOR = [part for part in args.emulator.split("|") if part]
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

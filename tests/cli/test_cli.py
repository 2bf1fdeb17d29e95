#!/usr/bin/env python3
"""End-to-end tests of vantric-cli on files and databases made here.

    test_cli.py --cli PATH [--emulator 'wine-run|--prefix|DIR' [--windows]] [--sanitized]

--emulator starts the program (Wine, or scripts/i386-run for a 32-bit Linux
build); --windows says that it is a Windows program, with Windows file names.

The databases are written by this script's own small writer, independent of
the program's code, so a fault in the shared format code can't hide itself.
"""
import json
import os
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "fuzz"))
import make_seeds  # noqa: E402  (its PE writer, for files with a version resource)
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import script_test  # noqa: E402

CLI = None
EMULATOR = []
WINDOWS = False
SANITIZED = False

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


def run(*args, cwd=None, stdout=subprocess.PIPE, prefix=(), address_space=None):
    result = subprocess.run(list(prefix) + EMULATOR + [CLI] + list(args), stdout=stdout, stderr=subprocess.PIPE,
                            cwd=cwd, timeout=120, preexec_fn=script_test.address_limit(address_space))
    return result.returncode, (result.stdout or b"").decode("utf-8"), result.stderr.decode("utf-8", "replace")


def raw_controls(text):
    """Control characters other than the newlines that end lines, and C1 controls."""
    if WINDOWS:
        text = text.replace("\r\n", "\n")  # a Windows program's line ends
    return [c for c in text if (ord(c) < 0x20 and c != "\n") or 0x7F <= ord(c) <= 0x9F]


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

    @unittest.skipIf(os.name != "posix", "needs names with control characters")
    def test_names_with_control_characters_are_never_dropped(self):
        # Windows has no such names: under Wine the file is analysed or
        # reported as skipped (exit 1), never left out in silence.
        folder = os.path.join(self.dir, "controls")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "ctl\x01.bin"), "wb") as f:
            f.write(b"SIG-A-----")
        status, objects, err = self.json_lines("-r", folder)
        self.assertEqual(len(objects), 1, err)
        self.assertIn((status, objects[0]["status"]), [(0, "ok"), (1, "skipped")])
        if not WINDOWS:
            self.assertEqual(objects[0]["path"], os.path.join(folder, "ctl\x01.bin"))

    @unittest.skipIf(os.name != "posix", "needs symbolic links")
    def test_link_loops_end(self):
        if WINDOWS:
            self.skipTest("Wine sees links as what they point to")
        loop = os.path.join(self.dir, "loop")
        os.makedirs(loop, exist_ok=True)
        link = os.path.join(loop, "again")
        if not os.path.islink(link):
            os.symlink(loop, link)
        with open(os.path.join(loop, "f.bin"), "wb") as f:
            f.write(b"SIG-A-----")
        status, objects, err = self.json_lines("-r", loop)
        self.assertEqual([(os.path.basename(o["path"]), o["status"]) for o in objects],
                         [("again", "skipped"), ("f.bin", "ok")])

    @unittest.skipIf(not hasattr(os, "mkfifo"), "needs named pipes")
    def test_named_pipe_does_not_hang(self):
        if WINDOWS:
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

    def test_a_file_past_4_gib_is_analysed_in_little_memory(self):
        if SANITIZED:
            self.skipTest("a sanitized scan of 4 GiB takes minutes; the plain and 32-bit builds run it")
        # Sparse, so that 4 GiB of zeros cost no disk. Everything to be found
        # lies past 4 GiB, where an offset cut to 32 bits points near the
        # start: the version resource (its section starts 16 bytes below
        # 4 GiB), the compiler signature, and a packer signature that a
        # record limited to the first 2 GiB must not see. The signatures lie
        # a few scan windows in: the first window past 4 GiB still starts
        # below it.
        four_gib = 1 << 32
        pe = make_seeds.pe(make_seeds.block("040904E4", 0x04E40409, [("CompanyName", "Far Away Ltd")]))
        header, section = bytearray(pe[:0x200]), pe[0x200:]
        section_header = 0x58 + 0xE0
        struct.pack_into("<I", header, section_header + 20, four_gib - 16)  # PointerToRawData
        path = os.path.join(self.dir, "huge", "far.exe")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(header)
            for offset, data in ((four_gib - 16, section), (four_gib + 0x100000, b"SIG-A"),
                                 (four_gib + 0x180000, b"FAR-PACK")):
                f.seek(offset)
                f.write(data)
            f.truncate(four_gib + (4 << 20))
        packers = os.path.join(self.dir, "db", "far-packers.vnt")
        with open(packers, "wb") as f:
            f.write(database([("1.0", "2026-12-09"), ("FAR-PACK", "$7FFFFFFF", "Near packer"),
                              ("FAR-PACK", "", "Far packer")]))
        try:
            # Wine itself needs more address space than this limit.
            limited = not WINDOWS
            status, out, err = run("--json", "--compiler-db", self.compilers, "--compression-db", packers, path,
                                   address_space=256 << 20 if limited else None)
        finally:
            os.remove(path)
        self.assertEqual(status, 0, err)
        report = json.loads(out)
        self.assertEqual(report["compiler"]["compiler"], "Compiler A")
        self.assertEqual(report["compression"]["program"], "Far packer")
        if not WINDOWS:  # there the system's version library reads the file its own way
            self.assertEqual(report["version"]["company"], "Far Away Ltd")

    def test_databases(self):
        missing = os.path.join(self.dir, "db", "none.vnt")
        status, out, err = run("--compiler-db", missing, "--compression-db", self.compressions, self.both)
        self.assertEqual((status, out), (2, ""))
        self.assertIn(missing + ": database not found", err)
        # Unnamed databases are never taken from the current folder, where a
        # scanned download may have planted one; the shipped ones beside the
        # program are loaded, and --verbose names them.
        here = os.path.join(self.dir, "cwd")
        os.makedirs(here, exist_ok=True)
        for source, name in ((self.compilers, "vantric.vnt"), (self.compressions, "compression.vnt")):
            shutil.copy(source, os.path.join(here, name))
        status, out, err = run("--verbose", self.both, cwd=here)
        self.assertEqual(status, 0, err)
        self.assertNotIn("  Compiler:  Compiler B", out.splitlines())
        beside = norm(os.path.dirname(CLI))
        # Text output doubles a backslash: a Windows path shows as C:\\dir\\name.
        loaded = [norm(line.replace("\\\\", "\\")) for line in err.splitlines() if "loaded" in line]
        self.assertEqual(len(loaded), 2, err)
        for line, name in zip(loaded, ("vantric.vnt", "compression.vnt")):
            self.assertIn(beside + "/" + name, line)

    def test_summary_counts_compilers_and_packers_after_the_files(self):
        files = [self.both, self.plain, self.ten, self.nine]
        status, out, err = run("--json", "--summary", *self.db_args, "-j", "2", *files)
        self.assertEqual(status, 1, err)  # nine.bin is too small
        objects = [json.loads(line) for line in out.splitlines()]
        self.assertEqual([o.get("path") for o in objects[:-1]], files)
        self.assertEqual(objects[-1], {"summary": {
            "files": 4, "analysed": 3,
            "compilers": [{"name": "Compiler A", "files": 1}, {"name": "Compiler B", "files": 1}],
            "no_compiler": 1, "packers": [{"name": "Packer", "files": 1}], "no_packer": 2,
            "generations": [], "no_generation": 3}})
        # In text, a name from a hostile database reaches the terminal escaped.
        evil = os.path.join(self.dir, "db", "evil.vnt")
        with open(evil, "wb") as f:
            f.write(database([("1.0", "2026-12-08"), ("SIG-A", "C", b"Red\x1b[31m\xc2\x9b2J", "-", "-")]))
        status, out, err = run("--summary", "--compiler-db", evil, "--compression-db", self.compressions,
                               self.ten, self.ten, self.plain)
        self.assertEqual(status, 0, err)
        summary = out[out.index("Summary: 3 files, 3 analysed"):].splitlines()
        self.assertEqual([line.split() for line in summary[1:]],
                         [["compiler", "files"], ["Red\\x1b[31m\\xc2\\x9b2J", "2"], ["none", "1"],
                          ["packer", "files"], ["none", "3"], ["toolchain", "generation", "files"], ["none", "3"]])

    def test_toolchain_evidence_in_text_json_and_summary(self):
        # Linker and C compiler of Visual Studio 2019 16.11 (build 30133), the
        # Rich header's checksum right in one file and wrong in the other.
        usual = make_seeds.block("040904E4", 0x04E40409, [("CompanyName", "Example Works")])
        entries = [(0x0104, 30133, 9), (0x0102, 30133, 1)]
        folder = os.path.join(self.dir, "evidence")
        os.makedirs(folder, exist_ok=True)
        paths = []
        for name, forged in (("linked.exe", False), ("forged.exe", True)):
            paths.append(os.path.join(folder, name))
            with open(paths[-1], "wb") as f:
                f.write(make_seeds.with_rich_header(make_seeds.pe(usual), entries, forged=forged))
        status, out, err = run("--json", "--summary", *self.db_args, *paths)
        self.assertEqual(status, 0, err)
        linked, forged, summary = [json.loads(line) for line in out.splitlines()]
        vs2019 = "(Visual Studio 2019 version 16.11)"
        for obj, verdict in ((linked, "checksum ok"), (forged, "checksum wrong")):
            found = {(f["kind"], f["name"]): f["version"] for f in obj["toolchain"]}
            self.assertEqual(found[("linker", "Microsoft Linker")], "14.29.30133 " + vs2019)
            self.assertEqual(found[("compiler", "Microsoft Visual C++")], "19.29.30133 " + vs2019)
            self.assertEqual(found[("tool", "Rich header")], verdict)
        self.assertEqual(summary["summary"]["generations"], [{"name": "Visual Studio 2019", "files": 2}])
        status, out, err = run(*self.db_args, paths[0])
        block = out.replace("\r\n", "\n")  # Windows writes text lines with CR LF
        block = block[block.index("  Toolchain:\n"):]
        self.assertIn("\n    Linker: Microsoft Linker 14.29.30133 " + vs2019 + "  [Rich header", block)
        self.assertLess(block.index("Toolchain"), block.index("  Program:"))

    def test_usage(self):
        for args in ([], ["--frobnicate", self.both], ["-j", "0", self.both], ["-j", "1x", self.both],
                     ["-j", "+1", self.both], ["--compiler-db"]):
            status, out, err = run(*args)
            self.assertEqual(status, 2, args)
            self.assertIn("vantric-cli --help", err)
        status, out, err = run("--help")
        self.assertEqual(status, 0)
        self.assertIn("--json", out)

    def test_text_output_escapes_what_files_and_databases_hold(self):
        hostile = "\x1b]0;OWN\x07\x1b[2J\x1b[31mEVIL\r\n"
        folder = os.path.join(self.dir, "hostile")
        os.makedirs(folder, exist_ok=True)
        files = []
        for name, data in (
                ("version.exe", make_seeds.pe(make_seeds.block("040904E4", 0x04E40409, [("FileVersion", hostile)]))),
                ("x.exe\n  Compiler:  TOTALLY-SAFE", b"SIG-A-----"),
                ("c1\x9b.bin", b"SIG-A-----"),
                ("plain.bin", b"SIG-A-----")):  # the database's fields, on every system
            if WINDOWS and ("\n" in name or "\x9b" in name):
                continue  # no Windows name holds these
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.write(data)
            files.append(path)
        evil = os.path.join(self.dir, "db", "evil.vnt")
        with open(evil, "wb") as f:
            f.write(database([("1", "d"), ("SIG-A", "C", "\x1b[2JCompiler\x9b", "Co\rmpany")]))
        missing = os.path.join(folder, "gone\x1b[31m.exe")
        status, out, err = run("--compiler-db", evil, "--compression-db", self.compressions, *files, missing)
        self.assertEqual(status, 1, err)
        self.assertEqual(raw_controls(out), [])
        self.assertEqual(raw_controls(err), [])
        # One report per file: a forged line is not a line.
        self.assertEqual(len([line for line in out.splitlines() if line.startswith("  Compiler:")]), len(files))
        self.assertIn("  Version:   \\x1b]0;OWN\\a\\x1b[2J\\x1b[31mEVIL\\r\\n", out.splitlines())
        self.assertIn("  Compiler:  \\x1b[2JCompiler\\x9b", out.splitlines())
        self.assertIn("gone\\x1b[31m.exe", err)
        if not WINDOWS:
            self.assertIn("\\n  Compiler:  TOTALLY-SAFE\n  Filename:  x.exe\\n  Compiler:  TOTALLY-SAFE", out)
            self.assertIn("c1\\xc2\\x9b.bin", out)

    def test_names_in_any_script_are_found_and_kept(self):
        # Names no single code page holds, and Windows' MAX_PATH passed.
        names = {
            "cyrillic": "\u0442\u0435\u0441\u0442.exe",
            "cjk": "\u6837\u672c.exe",
            "emoji": "\U0001f600 sample.exe",
            "mix": "\u0442\u0435\u0441\u0442-\u6837\u672c-caf\u00e9\U0001f600.exe",
            "blank": "with a blank.exe",
            "long": os.path.join(*["\u0434\u043b\u0438\u043d\u043d\u043e\u0435" + "x" * 40] * 5, "\u6837" * 20 + ".exe"),
        }
        folder = os.path.join(self.dir, "scripts \u0441\u043a\u0440\u0438\u043f\u0442\u044b")
        company = "\u041e\u041e\u041e \u6837"
        pe = make_seeds.pe(make_seeds.block("040904B0", 0x04B00409, [("CompanyName", company)]))
        for case, name in names.items():
            with self.subTest(case):
                path = os.path.join(folder, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(pe + b"SIG-A-----")
                if case == "long":
                    self.assertGreater(len(path), 260)
                status, objects, err = self.json_lines(path)
                self.assertEqual(status, 0, err)
                self.assertEqual(objects[0]["status"], "ok")
                self.assertEqual(objects[0]["path"], path)
                self.assertEqual(objects[0]["version"]["filename"], os.path.basename(name))
                self.assertEqual(objects[0]["version"]["company"], company)
                status, out, err = run(*self.db_args, path)
                self.assertEqual((status, out.splitlines()[0]), (0, path), err)
        # The walk, short of the folders past MAX_PATH: std::filesystem can't
        # list those on Windows.
        shutil.rmtree(os.path.join(folder, names.pop("long").split(os.sep)[0]))
        status, objects, err = self.json_lines("-r", folder)
        self.assertEqual(status, 0, err)
        self.assertEqual(sorted(norm(o["path"]) for o in objects),
                         sorted(os.path.join(folder, name) for name in names.values()))

    def test_files_from_a_list(self):
        folder = os.path.join(self.dir, "listed")
        os.makedirs(folder, exist_ok=True)
        odd = "line\nbreak.bin" if not WINDOWS else "no line breaks on Windows.bin"
        for name in (odd, "plain.bin"):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"SIG-A-----")
        odd, plain = os.path.join(folder, odd), os.path.join(folder, "plain.bin")
        missing = os.path.join(folder, "missing.bin")
        too_long = "x" * (64 * 1024 + 1)

        def listed(list_bytes, *args, list_file=None):
            source = list_file or "-"
            result = subprocess.run(EMULATOR + [CLI, "--json", *self.db_args, *args, "--files-from", source],
                                    input=list_bytes, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
            objects = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
            return result.returncode, [(o["path"], o["status"]) for o in objects]

        cases = [
            # list, extra arguments, the reports wanted in order
            ("\0".join([odd, plain, ""]).encode() + b"\0", ["-0"], [(odd, "ok"), (plain, "ok")]),
            # CR LF line ends, blank lines passed over, the PATHs first
            ((plain + "\r\n\r\n\n" + missing + "\n").encode(), [self.plain],
             [(self.plain, "ok"), (plain, "ok"), (missing, "not-found")]),
            # no line end after the last name
            (plain.encode(), [], [(plain, "ok")]),
            # a name too long for any file system is skipped, the next one still read
            ((too_long + "\n" + plain + "\n").encode(), [], [(too_long[:64] + "...", "skipped"), (plain, "ok")]),
            # a NUL in a line: the name up to it is another file, not analysed in its place
            ((plain + "\0.txt\n").encode(), [], [(plain + "\0.txt", "skipped")]),
        ]
        for list_bytes, args, wanted in cases:
            with self.subTest(args=args, wanted=wanted):
                status, reports = listed(list_bytes, *args)
                self.assertEqual(reports, wanted)
                self.assertEqual(status, 0 if all(w[1] == "ok" for w in wanted) else 1)
        list_path = os.path.join(folder, "list.txt")
        with open(list_path, "wb") as f:
            f.write((plain + "\n").encode())
        self.assertEqual(listed(b"", list_file=list_path), (0, [(plain, "ok")]))
        for args, message in ((["-0", self.plain], "-0 goes with --files-from"),
                              (["--files-from", os.path.join(folder, "absent.txt")], "absent.txt")):
            with self.subTest(args=args):
                status, _, err = run(*self.db_args, *args)
                self.assertEqual(status, 2)
                self.assertIn(message, err)

    def test_databases_beside_the_program_in_a_folder_of_any_name(self):
        folder = os.path.join(self.dir, "\u043f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430 \u6837\u672c")
        os.makedirs(folder, exist_ok=True)
        program = os.path.join(folder, os.path.basename(CLI))
        shutil.copy(CLI, program)
        shutil.copy(self.compilers, os.path.join(folder, "vantric.vnt"))
        shutil.copy(self.compressions, os.path.join(folder, "compression.vnt"))
        result = subprocess.run(EMULATOR + [program, "-v", "--json", self.both], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=120)
        err = result.stderr.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, err)
        self.assertEqual(json.loads(result.stdout)["compiler"]["compiler"], "Compiler B")
        self.assertIn("\u043f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430 \u6837\u672c", err)

    def test_text_shows_what_turns_text_around_json_keeps_it(self):
        # U+202E turns what follows it around: the name would read
        # "invoice_exe.pdf", the company "Microsoft".
        folder = os.path.join(self.dir, "bidi")
        os.makedirs(folder, exist_ok=True)
        name = "invoice_\u202efdp.exe"
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(make_seeds.pe(make_seeds.block("040904E4", 0x04E40409, [("CompanyName", "\u202etfosorciM"),
                                                                           ("Comments", "a\\nb")])))
        status, out, err = run(*self.db_args, path)
        self.assertEqual(status, 0, err)
        lines = out.splitlines()
        self.assertNotIn("\u202e", out)
        self.assertIn("  Comments:  a\\\\nb", lines)  # a backslash, not a new line
        status, objects, err = self.json_lines(path)
        self.assertEqual(status, 0, err)
        self.assertEqual((objects[0]["path"], objects[0]["version"]["comments"]), (path, "a\\nb"))
        self.assertEqual(lines[0], os.path.join(folder, "invoice_\\u202efdp.exe"))
        self.assertIn("  Filename:  invoice_\\u202efdp.exe", lines)
        self.assertIn("  Company:   \\u202etfosorciM", lines)
        self.assertEqual((objects[0]["version"]["filename"], objects[0]["version"]["company"]),
                         (name, "\u202etfosorciM"))

    def test_bad_databases(self):
        db = os.path.join(self.dir, "baddb")
        os.makedirs(os.path.join(db, "folder.vnt"), exist_ok=True)
        good = database([("1", "d"), ("SIG-A", "C", "Compiler A")])
        cases = [  # name, bytes (None: made below), exit status, text on stderr
            ("folder.vnt", None, 2, "folder"),
            ("zeros.vnt", b"\0" * 4050, 0, "no signatures"),
            ("partial.vnt", good + b"\1" * 17, 0, "17 bytes after the last whole record"),
            ("huge.vnt", None, 2, "more than 1,000,000 records"),
        ]
        if hasattr(os, "mkfifo") and not WINDOWS:
            cases.append(("fifo.vnt", None, 2, "Not a regular file"))
            if not os.path.exists(os.path.join(db, "fifo.vnt")):
                os.mkfifo(os.path.join(db, "fifo.vnt"))
        cases.append(("NUL" if WINDOWS else os.devnull, None, 2, "Not a regular file"))
        if os.path.exists("/proc/self/mem") and not WINDOWS:  # regular by its mode, of size 0
            cases.append(("/proc/self/mem", None, 2, "Not a regular file"))
        with open(os.path.join(db, "huge.vnt"), "wb") as f:
            f.truncate(405 * 1_000_001)  # sparse: nothing is written
        for name, data, expected, text in cases:
            path = os.path.join(db, name)
            text = (path + ": " if name in ("NUL", os.devnull, "/proc/self/mem") else "") + text
            if data is not None:
                with open(path, "wb") as f:
                    f.write(data)
            status, out, err = run("--compiler-db", path, "--compression-db", self.compressions, self.ten)
            self.assertEqual(status, expected, (name, err))
            self.assertIn(text, err, name)
            self.assertEqual("  Compiler:  Compiler A" in out.splitlines(), name == "partial.vnt", name)

    @unittest.skipIf(not os.path.exists("/dev/full"), "needs /dev/full")
    def test_output_that_cannot_be_written_is_an_error(self):
        # The workers of -j stop too, rather than wait for a reader that is gone.
        for args in ([self.both], ["--json", self.both], ["--help"], ["-j", "3", "-r", self.files, self.files]):
            with open("/dev/full", "wb") as full:
                status, out, err = run(*self.db_args, *args, stdout=full)
            self.assertEqual(status, 2, args)
            self.assertIn("cannot write", err)
        if not WINDOWS:
            status, out, err = run(*self.db_args, self.both, stdout=subprocess.DEVNULL,
                                   prefix=["sh", "-c", 'exec "$@" >&-', "sh"])
            self.assertEqual(status, 2, err)

    def test_json_paths_are_lossless(self):
        if WINDOWS:
            self.skipTest("Windows names are text in one code page, not bytes")
        folder = os.path.join(self.dir, "encodings").encode()
        os.makedirs(folder, exist_ok=True)
        # The same character in UTF-8, and its Latin-1 byte that is no UTF-8.
        names = [b"caf\xc3\xa9.bin", b"caf\xe9.bin", b"\xff\xfe.bin"]
        for name in names:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"SIG-A-----")
        status, objects, err = self.json_lines("-r", os.fsdecode(folder))
        self.assertEqual(status, 0, err)
        paths = [o["path"].encode("utf-8", "surrogateescape") for o in objects]
        self.assertEqual(sorted(paths), sorted(os.path.join(folder, name) for name in names))

    def test_every_path_met_in_a_walk_gets_a_json_line(self):
        if WINDOWS or os.name != "posix":
            self.skipTest("needs POSIX links, pipes and permissions")
        root = os.path.join(self.dir, "walk")
        locked = os.path.join(root, "locked")
        os.makedirs(locked, exist_ok=True)
        os.chmod(locked, 0)
        os.chmod(self.dir, 0o755)
        for folder in (root, os.path.dirname(self.compilers)):
            os.chmod(folder, 0o755)
        for db in (self.compilers, self.compressions):
            os.chmod(db, 0o644)
        if not os.path.lexists(os.path.join(root, "link")):
            os.symlink(self.files, os.path.join(root, "link"))
            os.mkfifo(os.path.join(root, "pipe"))
        with open(os.path.join(root, "file.bin"), "wb") as f:
            f.write(b"SIG-A-----")
        # Root reads any folder: run as nobody so that the locked one stays locked.
        prefix = []
        if os.geteuid() == 0:
            if not shutil.which("setpriv"):
                self.skipTest("needs setpriv to drop root")
            prefix = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        status, out, err = run("--json", *self.db_args, "-r", root, prefix=prefix)
        objects = {os.path.basename(o["path"]): o for o in map(json.loads, out.splitlines())}
        self.assertEqual(status, 1, err)
        self.assertEqual(sorted(objects), ["file.bin", "link", "locked", "pipe"], out)
        self.assertEqual(objects["file.bin"]["status"], "ok")
        self.assertEqual(objects["locked"]["status"], "io-error")
        self.assertEqual((objects["link"]["status"], objects["pipe"]["status"]), ("skipped", "skipped"))
        self.assertTrue(all(o.get("error") for name, o in objects.items() if name != "file.bin"))

    def test_paths_given_directly_say_what_is_wrong(self):
        if WINDOWS or os.name != "posix":
            self.skipTest("needs POSIX links")
        loop = os.path.join(self.dir, "self-loop")
        if not os.path.lexists(loop):
            os.symlink(loop, loop)
        too_long = os.path.join(self.dir, "n" * 300)
        for path, text in ((loop, "symbolic links"), (too_long, "too long")):
            status, out, err = run(*self.db_args, path)
            self.assertEqual(status, 1, path)
            self.assertIn(text, err)
            self.assertNotIn("File not found", err)


    def test_memory_stays_small_however_many_files_and_however_slow_the_reader(self):
        if SANITIZED or EMULATOR or not hasattr(os, "link"):
            self.skipTest("measures the program itself (no sanitizer, no emulator); needs hard links")
        # In a process of its own whose only child is the program, so that the
        # children's peak is the program's; the output is read after a pause.
        measure = ("import resource, subprocess, sys, time\n"
                   "child = subprocess.Popen(sys.argv[3:], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)\n"
                   "time.sleep(float(sys.argv[2]))\n"
                   "open(sys.argv[1], 'wb').write(child.communicate()[0])\n"
                   "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)\n")
        root = tempfile.mkdtemp(dir=self.dir)
        many, deep, links = (os.path.join(root, name) for name in ("many", "deep", "links"))

        def peak_kib(args, pause=0):
            result = subprocess.run([sys.executable, "-c", measure, os.path.join(root, "out"), str(pause), CLI,
                                     *self.db_args, *args], stdout=subprocess.PIPE, check=True, timeout=120)
            with open(os.path.join(root, "out"), "rb") as f:
                return int(result.stdout), f.read().decode("utf-8")

        for i in range(100):  # 100,000 names of empty files, in 100 folders
            first = os.path.join(many, "%03d" % i, "000")
            os.makedirs(os.path.dirname(first))
            open(first, "wb").close()
            for j in range(1, 1000):
                os.link(first, os.path.join(os.path.dirname(first), "%03d" % j))
        bottom = deep
        for _ in range(2001):  # deeper than makedirs' recursion goes
            os.mkdir(bottom)
            bottom = os.path.join(bottom, "d")
        bottom = os.path.dirname(bottom)
        shutil.copy(self.ten, os.path.join(bottom, "ten.bin"))
        os.mkdir(links)  # 40,000 names of one file, each with a report to print
        shutil.copy(self.both, os.path.join(links, "both.bin"))
        for i in range(40000):
            os.link(os.path.join(links, "both.bin"), os.path.join(links, "%05d" % i))
        try:
            baseline, _ = peak_kib([self.both])
            for name, args, pause in (("100,000 files", ["-r", many], 0),
                                      ("2,000 nested folders", ["-r", deep], 0),
                                      ("a stalled reader of -j 4", ["-j", "4", "-r", links], 3)):
                with self.subTest(name):
                    peak, out = peak_kib(["--summary", *args], pause)
                    self.assertLess(peak - baseline, 32 << 10, "KiB above the %d KiB of one file" % baseline)
            self.assertEqual(out, run(*self.db_args, "--summary", "-r", links)[1])
        finally:
            os.remove(os.path.join(bottom, "ten.bin"))
            for _ in range(2000):
                os.rmdir(bottom)
                bottom = os.path.dirname(bottom)
            shutil.rmtree(root)

def main():
    global CLI, EMULATOR, WINDOWS, SANITIZED
    args, rest = script_test.parse_build_arguments("--cli")
    CLI = os.path.abspath(args.cli)
    EMULATOR, WINDOWS, SANITIZED = args.emulator, args.windows, args.sanitized
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

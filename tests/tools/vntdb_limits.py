#!/usr/bin/env python3
"""vntdb takes an input whole or not at all.

    vntdb_limits.py --vntdb PATH [--emulator 'wine-run|--prefix|DIR' [--windows]] [--sanitized]

--emulator starts the program (Wine, or scripts/i386-run for a 32-bit Linux
build); --windows says that it is a Windows program.

An input too large for vntdb, one whose size changes while it is read, or one
it has no room for ends it with exit status 2 and a message naming the file:
never part of a file taken for the whole and exit status 0. The large inputs
are sparse files, so nothing here writes or reads gigabytes.
"""
import os
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import script_test  # noqa: E402

VNTDB = None
EMULATOR = []
WINDOWS = False
SANITIZED = False

RECORD_SIZE = 405
MOST_RECORDS = 1_000_000


def run(*args, address_space=None):
    result = subprocess.run(EMULATOR + [VNTDB] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=120, preexec_fn=script_test.address_limit(address_space))
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")


def sparse(path, size):
    with open(path, "wb") as f:
        f.truncate(size)
    return path


class VntdbLimitsTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def test_inputs_it_cannot_take_whole_are_refused(self):
        huge_vnt = sparse(self.path("huge.vnt"), RECORD_SIZE * (MOST_RECORDS + 1))
        # Ten records past 4 GiB: a size cut to 32 bits would read as ten records.
        wrapped_vnt = sparse(self.path("wrapped.vnt"), (4 << 30) + RECORD_SIZE * 10)
        huge_sig = sparse(self.path("huge.sig"), (256 << 20) + 1)
        out = self.path("out.vnt")
        cases = [  # arguments, the file named, the reason given
            (["dump", huge_vnt], huge_vnt, "Database too large: more than 1,000,000 records"),
            (["lint", huge_vnt], huge_vnt, "Database too large: more than 1,000,000 records"),
            (["dump", wrapped_vnt], wrapped_vnt, "Database too large: more than 1,000,000 records"),
            (["build", huge_sig, "-o", out], huge_sig, "Source too large: more than 256 MiB"),
            (["lint", huge_sig], huge_sig, "Source too large: more than 256 MiB"),
        ]
        if not WINDOWS and os.path.exists("/proc/self/status"):
            # A regular file whose size (0) is not its length: it "grows" as it is read.
            # A database must be the size it says before it is read at all.
            status_file = "/proc/self/status"
            cases.append((["dump", status_file], status_file, "Not a regular file, not a database file"))
            cases.append((["build", status_file, "-o", out], status_file, "File changed while it was read"))
        for args, named, reason in cases:
            status, stdout, err = run(*args)
            self.assertEqual((status, stdout), (2, b""), (args, err))
            self.assertIn(named.replace("\\", "/") + ": cannot read: " + reason, err.replace("\\", "/"), args)
            self.assertFalse(os.path.exists(out), args)

    def test_a_source_of_more_records_than_the_scanner_loads_is_refused(self):
        if SANITIZED:
            self.skipTest("a million records take too long under a sanitizer")
        source = self.path("many.sig")
        with open(source, "w") as f:
            f.write("kind compiler\n")
            # With the header, one record more than a database may hold.
            f.writelines("record\npattern \"%d\"\n" % n for n in range(MOST_RECORDS))
        out = self.path("many.vnt")
        for args in (["build", source, "-o", out], ["lint", source]):
            status, stdout, err = run(*args)
            self.assertEqual(status, 2, (args, err[-300:]))
            self.assertIn("at most 1,000,000 records", err, args)
            self.assertFalse(os.path.exists(out), args)

    def test_short_of_memory_it_stops_rather_than_take_part_of_a_file(self):
        if WINDOWS or SANITIZED:
            self.skipTest("limits the address space of a Linux process")
        # The 32-bit programs' case, on any machine: as little address space
        # as may be left to hold a 40 MB database, or a 40 MB source.
        records = 100_000
        database = sparse(self.path("zeros.vnt"), RECORD_SIZE * records)
        source = self.path("padded.sig")
        with open(source, "w") as f:
            f.write("kind compiler\n")
            for n in range(records // 10):
                f.write("# %s\nrecord\n  pattern \"%d\"\n" % ("." * 4000, n))
        built = self.path("built.vnt")
        outcomes = set()
        # From the least address space the program starts in: more under qemu.
        least = next(mb for mb in range(8, 168, 8) if run("--help", address_space=mb << 20)[0] == 0)
        for megabytes in range(least, 168, 8):
            limit = megabytes << 20
            status, stdout, err = run("dump", database, address_space=limit)
            if status == 0:
                self.assertEqual(stdout.count(b"\nrecord\n"), records - 1, megabytes)
            else:
                self.assertEqual((status, stdout), (2, b""), (megabytes, err))
                self.assertIn("zeros.vnt: ", err)
            outcomes.add(status)
            if os.path.exists(built):
                os.remove(built)
            status, stdout, err = run("build", source, "-o", built, address_space=limit)
            if status == 0:
                self.assertEqual(os.path.getsize(built), RECORD_SIZE * (records // 10 + 1), megabytes)
            else:
                self.assertEqual(status, 2, (megabytes, err))
                self.assertIn("padded.sig: ", err)
                self.assertFalse(os.path.exists(built), megabytes)
            outcomes.add(status)
        # Both sides of the line were seen: the limits tested something.
        self.assertEqual(outcomes, {0, 2})


def write_source(path, records):
    with open(path, "w") as f:
        f.write("kind compiler\nversion \"1\"\n")
        f.writelines("record\npattern \"%d\"\n" % n for n in range(records))
    return path


class VntdbOutputTest(unittest.TestCase):
    """build replaces OUT whole or not at all, and never the source."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.source = write_source(self.path("src.sig"), 3)

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def leftovers(self, folder, *expected):
        """What is in `folder` that the test did not put there or ask for."""
        return sorted(set(os.listdir(folder)) - set(expected))

    def test_an_out_that_is_the_source_is_refused(self):
        with open(self.source, "rb") as f:
            original = f.read()
        os.mkdir(self.path("sub"))
        os.link(self.source, self.path("hard.sig"))
        spellings = [  # OUT, named how
            (self.source, "the same path"),
            (os.path.join(self.dir, "sub", "..", "src.sig"), "another spelling"),
            (self.path("hard.sig"), "a hard link"),
        ]
        if not WINDOWS:
            os.symlink(self.source, self.path("soft.sig"))
            spellings.append((self.path("soft.sig"), "a symbolic link"))
        for out, how in spellings:
            status, _, err = run("build", self.source, "-o", out)
            self.assertEqual(status, 2, (how, err))
            self.assertIn("is the source itself; not replaced", err, how)
            with open(self.source, "rb") as f:
                self.assertEqual(f.read(), original, how)
        self.assertEqual(self.leftovers(self.dir, "src.sig", "sub", "hard.sig", "soft.sig"), [])

    def test_a_replaced_out_keeps_its_mode(self):
        out = self.path("out.vnt")
        if WINDOWS:  # its attributes
            def attrib(*args):
                done = subprocess.run([*EMULATOR, "attrib", *args, "Z:" + out.replace("/", "\\")],
                                      stdout=subprocess.PIPE, text=True, errors="replace", check=True)
                return done.stdout.split("Z:")[0]
            with open(out, "wb") as f:
                f.write(b"old")
            attrib("+h")
            self.assertIn("H", attrib())
            status, _, err = run("build", self.source, "-o", out)
            self.assertEqual(status, 0, err)
            self.assertIn("H", attrib())
            self.assertEqual(os.path.getsize(out), RECORD_SIZE * 4)
            return
        for mode in (0o600, 0o640, 0o755, 0o444):
            with open(out, "wb") as f:
                f.write(b"old")
            os.chmod(out, mode)
            status, _, err = run("build", self.source, "-o", out)
            self.assertEqual(status, 0, err)
            self.assertEqual(stat.S_IMODE(os.stat(out).st_mode), mode)
            self.assertEqual(os.path.getsize(out), RECORD_SIZE * 4)

    def test_an_out_name_in_any_script_is_written(self):
        out = self.path("\u0431\u0430\u0437\u0430 \u6837\u672c\U0001f600.vnt")
        for _ in range(2):  # made, then replaced
            status, _, err = run("build", self.source, "-o", out)
            self.assertEqual(status, 0, err)
            self.assertEqual(os.path.getsize(out), RECORD_SIZE * 4)
        self.assertEqual(self.leftovers(self.dir, "src.sig", os.path.basename(out)), [])

    def test_an_out_name_at_the_length_limit_is_written(self):
        out = self.path("o" * 250 + ".vnt")  # 254 bytes, the name limit less one
        status, _, err = run("build", self.source, "-o", out)
        self.assertEqual(status, 0, err)
        self.assertEqual(os.path.getsize(out), RECORD_SIZE * 4)
        self.assertEqual(self.leftovers(self.dir, "src.sig", os.path.basename(out)), [])

    def test_a_full_disk_is_told_in_the_systems_words(self):
        if WINDOWS or os.geteuid() != 0:
            self.skipTest("mounts a small tmpfs")
        full = self.path("full")
        os.mkdir(full)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", full],
                          stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("no tmpfs can be mounted here")
        try:
            source = write_source(self.path("large.sig"), 1000)  # 400 KB of database
            status, _, err = run("build", source, "-o", os.path.join(full, "out.vnt"))
            self.assertEqual(status, 1, err)
            self.assertIn("out.vnt: cannot write: No space left on device", err)
            self.assertEqual(os.listdir(full), [])
        finally:
            subprocess.run(["umount", full])

    def test_an_interrupted_build_leaves_no_temporary_file(self):
        if EMULATOR and not WINDOWS:
            self.skipTest("signals would reach the emulator, not the program")
        # POSIX: the signals a user sends. Windows: being killed outright,
        # which no handler of the program's own could see.
        signals = (signal.SIGKILL,) if WINDOWS else (signal.SIGINT, signal.SIGTERM)
        source = write_source(self.path("large.sig"), 400_000)  # 160 MB of database
        folder = self.path("out")
        os.mkdir(folder)
        out = os.path.join(folder, "out.vnt")
        for sent in signals:
            # Sent once the temporary file is there; a machine quick enough to
            # finish first gets another try.
            for _ in range(5):
                program = subprocess.Popen([*EMULATOR, VNTDB, "build", source, "-o", out], stderr=subprocess.PIPE)
                while program.poll() is None and not self.leftovers(folder):
                    time.sleep(0.001)
                if program.poll() is None:
                    program.send_signal(sent)
                    program.communicate(timeout=120)
                    break
                program.communicate()
                os.remove(out)
            else:
                self.skipTest("every build ended before a signal could reach it")
            self.assertEqual(program.returncode, -sent)
            # Windows removes a killed program's file once it has seen the end.
            for _ in range(100 if WINDOWS else 0):
                if not self.leftovers(folder):
                    break
                time.sleep(0.1)
            self.assertEqual(self.leftovers(folder), [])
            self.assertFalse(os.path.exists(out))


def main():
    global VNTDB, EMULATOR, WINDOWS, SANITIZED
    args, rest = script_test.parse_build_arguments("--vntdb")
    VNTDB = os.path.abspath(args.vntdb)
    EMULATOR, WINDOWS, SANITIZED = args.emulator, args.windows, args.sanitized
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

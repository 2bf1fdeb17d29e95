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
import subprocess
import sys
import tempfile
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


def main():
    global VNTDB, EMULATOR, WINDOWS, SANITIZED
    args, rest = script_test.parse_build_arguments("--vntdb")
    VNTDB = os.path.abspath(args.vntdb)
    EMULATOR, WINDOWS, SANITIZED = args.emulator, args.windows, args.sanitized
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

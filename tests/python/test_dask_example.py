"""examples/dask_scan.py on a local cluster of two worker processes, against
vantric-cli on the same files: the same lines, in the same order, and the
same summary.

Needs VANTRIC_CLI (the vantric-cli to compare with), `import vantric` on
PYTHONPATH, Dask's distributed, and Wine's 64-bit PE files.
"""
import json
import math
import os
import shutil
import subprocess
import sys

import pytest

EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "dask_scan.py")
WINE = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"
PARTITION = 7


@pytest.fixture(scope="module")
def cli():
    path = os.environ.get("VANTRIC_CLI")
    if not path or not os.access(path, os.X_OK):
        pytest.fail("VANTRIC_CLI must name the vantric-cli binary")
    if not os.path.isdir(WINE):
        pytest.fail(f"{WINE} missing: apt-get install wine64")
    return path


def run_example(*args, cwd=None, stdin=None):
    return subprocess.run([sys.executable, EXAMPLE, "--local-workers", "2", *args], cwd=cwd, input=stdin,
                          capture_output=True, timeout=120)


def read_results(out_dir):
    """The lines of the part files in order, and the summary; fails on a leftover temporary file."""
    names = sorted(os.listdir(out_dir))
    assert names[-1] == "summary.json" and all(name.startswith("part-") for name in names[:-1]), names
    lines = []
    for name in names[:-1]:
        with open(os.path.join(out_dir, name), "rb") as f:
            lines += [json.loads(line) for line in f]
    with open(os.path.join(out_dir, "summary.json"), "rb") as f:
        return lines, json.load(f), len(names) - 1


def test_walk_and_list_give_what_the_cli_gives(cli, tmp_path):
    program = os.path.join(WINE, "notepad.exe")
    folder = tmp_path / "files"
    (folder / "a").mkdir(parents=True)
    # In a walk, the folder "a" comes before "a-b.exe", though "a/" sorts after it.
    for name in [b"a/inner.exe", b"a-b.exe", b"B.exe", b"new\nline.exe", b"not-utf8-\xff.exe"]:
        shutil.copy(program, os.fsencode(folder) + b"/" + name)
    (folder / "small.exe").write_bytes(b"MZ")
    (folder / "link-to-a").symlink_to(folder / "a")
    (folder / "link-to-nothing").symlink_to(folder / "gone")

    # zlib1.dll is Wine's one file from an older MinGW. Listed last, three
    # times, its toolchain generation ties with the Visual Studio .NET 2003
    # linkers met before it in the sample: the summary must rank the tie by
    # name, not by what came first.
    sample = sorted(os.listdir(WINE))[::20] + ["zlib1.dll"] * 3
    listed = [os.path.join(WINE, name) for name in sample] + [str(tmp_path / "missing.exe")]
    list_file = tmp_path / "list"
    list_file.write_bytes(b"".join(os.fsencode(path) + b"\0" for path in listed))

    expected = subprocess.run([cli, "--json", "--summary", "-r", "-0", "--files-from", list_file, folder],
                              capture_output=True, timeout=120)
    *expected_lines, expected_summary = [json.loads(line) for line in expected.stdout.splitlines()]
    assert expected.returncode == 1, expected.stderr

    done = run_example("--out", tmp_path / "out", "--partition-size", str(PARTITION),
                       "-0", "--files-from", list_file, folder)
    assert done.returncode == 1, done.stderr.decode(errors="replace")
    lines, summary, parts = read_results(tmp_path / "out")
    assert lines == expected_lines
    assert summary == expected_summary
    assert parts == math.ceil(len(lines) / PARTITION) > 2
    # The odd names came through, and the sample covers what it should.
    paths = {line["path"] for line in lines}
    assert os.fsdecode(os.fsencode(folder) + b"/not-utf8-\xff.exe") in paths
    assert str(folder / "new\nline.exe") in paths
    assert {"ok", "too-small", "not-found", "skipped"} <= {line["status"] for line in lines}


def test_relative_names_from_standard_input_come_out_absolute(cli, tmp_path):
    names = ["notepad.exe", "zlib1.dll", "cmd.exe"]
    stdin = "\r\n".join(names).encode() + b"\n"  # a list written on Windows
    done = run_example("--out", tmp_path / "out", "--files-from", "-", cwd=WINE, stdin=stdin)
    assert done.returncode == 0, done.stderr.decode(errors="replace")
    lines, summary, _ = read_results(tmp_path / "out")
    assert [line["path"] for line in lines] == [os.path.join(WINE, name) for name in names]
    assert summary["summary"]["files"] == summary["summary"]["analysed"] == len(names)

"""`import vantric` held against vantric-cli --json: the two doors to one
analysis must give the same objects for the same files, however the module
is called.

    VANTRIC_CLI=build/linux/cli/vantric-cli PYTHONPATH=build/linux/python \\
        /usr/bin/python3 -m pytest tests/python

Without PYTHONPATH the installed module is tested (the release test does that
with the installed vantric-cli).
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import threading

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "cli"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "fuzz"))
import make_seeds  # noqa: E402  (PE files with version resources and toolchain evidence)
from test_cli import database  # noqa: E402  (a database writer independent of ours)

import vantric  # noqa: E402

CLI = os.environ["VANTRIC_CLI"]
WINE = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"


def cli_json(paths, *options):
    """vantric-cli's JSON objects for `paths`, given NUL-separated on its standard input."""
    listing = b"".join(os.fsencode(p) + b"\0" for p in paths)
    run = subprocess.run([CLI, "--json", *options, "-0", "--files-from", "-"], input=listing,
                         capture_output=True, timeout=300, check=False)
    assert run.returncode in (0, 1), run.stderr
    return [json.loads(line) for line in run.stdout.decode("utf-8").splitlines()]


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    """Real programs, made ones with every group of the report filled, hostile
    names, and files that can't be analysed; as bytes paths."""
    folder = tmp_path_factory.mktemp("files")
    real = sorted(glob.glob(WINE + "/*.exe"))[:12] + sorted(glob.glob(WINE + "/*.dll"))[:12]
    assert len(real) == 24, "Wine's 64-bit programs are needed (Debian's wine64)"
    usual = make_seeds.block("040904E4", 0x04E40409, [("CompanyName", "Example Works"),
                                                      ("Comments", "M\u00fcller \U0001F600"),
                                                      ("FileVersion", "1, 2, 3, 4")])
    made = {
        b"rich.exe": make_seeds.with_rich_header(make_seeds.pe(usual), [(0x0104, 30133, 9), (0x0102, 30133, 1)]),
        b"stated.exe": make_seeds.pe(usual) + make_seeds.stated_texts(),
        b"line\nbreak.exe": open(real[0], "rb").read(),
        b"latin\xe9.exe": open(real[1], "rb").read(),
        b"nine.bin": b"123456789",
    }
    for name, data in made.items():
        (folder / os.fsdecode(name)).write_bytes(data)
    os.symlink("loop", folder / "loop")
    paths = [os.fsencode(p) for p in real] + [os.path.join(bytes(folder), name) for name in made]
    return paths + [os.path.join(bytes(folder), name) for name in (b"missing.exe", b"loop", b"x" * 300)]


def test_every_way_in_gives_the_cli_objects(files):
    expected = cli_json(files)
    assert [o["status"] for o in expected].count("ok") == len(files) - 4
    assert any(o["toolchain"] for o in expected if o["status"] == "ok")
    analyzer = vantric.Analyzer()
    assert [analyzer.analyze(p) for p in files] == expected
    assert [analyzer.analyze(os.fsdecode(p)) for p in files] == expected
    for jobs in (1, 3):
        assert list(analyzer.analyze_many(iter(files), jobs=jobs)) == expected
    # Bytes in memory are the file at that name, whatever holds them.
    for path, want in zip(files, expected):
        if os.path.exists(path):
            data = open(path, "rb").read()
            assert analyzer.analyze_bytes(data, name=path) == want
            assert analyzer.analyze_bytes(memoryview(bytearray(data)), os.fsdecode(path)) == want
    anonymous = analyzer.analyze_bytes(open(files[0], "rb").read())
    assert anonymous["path"] is None and anonymous["version"]["filename"] == ""


def test_databases_given_by_path_and_text_that_is_not_utf8(tmp_path):
    compilers = tmp_path / "compilers.vnt"
    compilers.write_bytes(database([("1.0", "2026-12-10"), ("SIG-A", "C", "Compiler A", b"Caf\xe9 \x1b[2J")]))
    compressions = tmp_path / "compression.vnt"
    compressions.write_bytes(database([("1.0", "2026-12-10"), ("PACKED", "$10", "Packer", "Pack Inc")]))
    sample = tmp_path / "both.bin"
    sample.write_bytes(b"PACKED" + b"\0" * 50 + b"SIG-A" + b"\0" * 30)
    expected = cli_json([str(sample)], "--compiler-db", str(compilers), "--compression-db", str(compressions))
    analyzer = vantric.Analyzer(compiler_db=compilers, compression_db=os.fsencode(compressions))
    assert [analyzer.analyze(sample)] == expected
    assert expected[0]["compiler"]["company"] == "Caf\u00e9 \x1b[2J"
    assert analyzer.databases["compiler"] == {"path": str(compilers), "version": "1.0", "date": "2026-12-10",
                                              "signatures": 1}


def test_one_analyzer_shared_by_threads(files):
    expected = cli_json(files)
    analyzer = vantric.Analyzer()
    got, failures = {}, []

    def analyse_all(k):
        try:
            got[k] = [analyzer.analyze(p) for p in files]
        except Exception as error:  # noqa: BLE001  (reported below)
            failures.append(error)

    threads = [threading.Thread(target=analyse_all, args=(k,)) for k in range(4)]
    for thread in threads:
        thread.start()
    streamed = list(analyzer.analyze_many(files * 3, jobs=2))
    for thread in threads:
        thread.join()
    assert failures == []
    assert all(results == expected for results in got.values())
    assert streamed == expected * 3


def test_errors_and_exceptions(tmp_path, files):
    missing = tmp_path / "none.vnt"
    with pytest.raises(vantric.DatabaseError, match="none.vnt: database not found"):
        vantric.Analyzer(compiler_db=missing)
    with pytest.raises(vantric.DatabaseError, match="Is a folder"):
        vantric.Analyzer(compression_db=tmp_path)
    stray = tmp_path / "stray.vnt"
    stray.write_bytes(database([("1.0", "2026-12-10"), ("SIG", "C")]) + b"xyz")
    with pytest.warns(vantric.DatabaseWarning, match="3 bytes after the last whole record"):
        vantric.Analyzer(compiler_db=stray)

    analyzer = vantric.Analyzer()
    assert analyzer.analyze(tmp_path) == {"path": str(tmp_path), "status": "not-found", "error": "is a folder"}
    with pytest.raises(ValueError, match="null"):
        analyzer.analyze(files[0] + b"\0.txt")
    with pytest.raises(TypeError):
        analyzer.analyze(42)
    with pytest.raises(TypeError):
        analyzer.analyze_bytes("text, not bytes")
    with pytest.raises(ValueError, match="jobs"):
        analyzer.analyze_many(files, jobs=0)

    def paths_then_failure():
        yield files[0]
        yield files[1]
        raise OSError("the listing broke")

    stream = analyzer.analyze_many(paths_then_failure(), jobs=2)
    assert [next(stream)["status"], next(stream)["status"]] == ["ok", "ok"]
    with pytest.raises(OSError, match="the listing broke"):
        next(stream)
    with pytest.raises(StopIteration):
        next(stream)
    # Results left untaken: the workers stop after the files in hand.
    stream = analyzer.analyze_many(files * 50, jobs=2)
    next(stream)
    del stream


def test_the_package_matches_its_stub_and_the_cli_version():
    run = subprocess.run([CLI, "--version"], capture_output=True, text=True, check=True)
    assert run.stdout.splitlines()[0] == "vantric-cli " + vantric.__version__
    folder = os.path.dirname(vantric.__file__)
    assert os.path.exists(os.path.join(folder, "py.typed"))
    stub = open(os.path.join(folder, "__init__.pyi"), encoding="utf-8").read()
    public = {line.split("(")[0].split(":")[0].split()[-1] for line in stub.splitlines()
              if line.startswith(("class ", "def ", "__version__"))}
    assert set(vantric.__all__) <= public
    assert {name for name in public if hasattr(vantric, name)} == set(vantric.__all__)


if __name__ == "__main__":
    sys.exit(pytest.main([__file__, "-q"]))

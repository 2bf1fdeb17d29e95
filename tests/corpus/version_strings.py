"""Compares the version strings vantric-cli reports with what pefile reads.

    version_strings.py CLI DATA_DIR FILE...

pefile is an independent reader of the same resource. From it the expected
four fields are taken the way Vantric defines them: the string table of the
first translation, else the first table; FileVersion falls back to the fixed
part's numbers; a missing value is empty text, and a file without a version
resource shows "-" in all four. Prints one line per disagreement and
"version strings: N passed, N failed"; exits 1 on any disagreement.
"""
import json
import subprocess
import sys

import pefile

FIELDS = (("comments", b"Comments"), ("company", b"CompanyName"), ("product", b"ProductName"))


def expected(path):
    try:
        pe = pefile.PE(path, fast_load=True)
    except pefile.PEFormatError:
        return None
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    # The system's library looks for the resource named 1 of the version type
    # only; pefile reads whichever it finds.
    types = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if not types or not any(t.id == pefile.RESOURCE_TYPE["RT_VERSION"] and
                            any(n.id == 1 for n in t.directory.entries) for t in types.entries):
        return None
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    infos = getattr(pe, "FileInfo", None)
    if not fixed and not infos:
        return None
    tables, translation = [], None
    for info in (infos or [[]])[0]:
        for table in getattr(info, "StringTable", []):
            tables.append(table)
        for var in getattr(info, "Var", []):
            if translation is None and b"Translation" in var.entry:
                # pefile keeps the first pair, as "0x0409 0x04b0".
                language, codepage = var.entry[b"Translation"].split()
                translation = "%04x%04x" % (int(language, 16), int(codepage, 16))
    chosen = next((t for t in tables if t.LangID.decode().lower() == translation), None)
    if chosen is None and tables:
        chosen = tables[0]
    strings = chosen.entries if chosen else {}
    answer = {name: strings.get(key, b"").decode("utf-8", "replace") for name, key in FIELDS}
    version = strings.get(b"FileVersion", b"").decode("utf-8", "replace")
    if not version and fixed:
        ms, ls = fixed[0].FileVersionMS, fixed[0].FileVersionLS
        version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    answer["version"] = version
    return answer


def main():
    cli, data, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    passed = failed = 0
    for path in files:
        out = subprocess.run([cli, "--json", "--compiler-db", f"{data}/vantric.vnt",
                              "--compression-db", f"{data}/compression.vnt", path],
                             stdout=subprocess.PIPE, check=False).stdout
        got = json.loads(out.decode("utf-8", "replace"))["version"]
        want = expected(path)
        if want is None:
            want = {"comments": "-", "company": "-", "product": "-", "version": "-"}
        mismatched = [k for k in want if got.get(k) != want[k]]
        if mismatched:
            failed += 1
            print(f"FAIL {path}: " + ", ".join(f"{k} {got.get(k)!r} (pefile {want[k]!r})" for k in mismatched))
        else:
            passed += 1
    print(f"version strings: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

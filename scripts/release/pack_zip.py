#!/usr/bin/env python3
"""Packs a folder into a zip that depends only on its contents: members in
name order under one top folder, every time stamp the release's, fixed modes.

    pack_zip.py FOLDER TOP OUT.zip EPOCH
"""
import os
import sys
import time
import zipfile


def main() -> int:
    folder, top, out, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    # Zip dates start in 1980 and carry no time zone.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    names = sorted(
        os.path.relpath(os.path.join(root, name), folder)
        for root, _, files in os.walk(folder)
        for name in files
    )
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name in names:
            info = zipfile.ZipInfo(f"{top}/{name}", date_time=stamp)
            info.create_system = 3  # Unix, so that the modes below are read
            mode = 0o755 if name.lower().endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    return 0


if __name__ == "__main__":
    sys.exit(main())

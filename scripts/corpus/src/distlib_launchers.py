"""Wraps a script in distlib's Windows launchers, as pip does on Windows.

    distlib_launchers.py OUT_DIR BITS KINDS   (BITS: 32 or 64; KINDS: t, w or tw)

distlib writes launchers only when it runs on Windows; here it is handed its
own launcher stubs (t32/t64/w32/w64.exe) and writes hello.exe (console) and
hellow.exe (GUI) the same way.
"""
import sys

import distlib.scripts
from distlib.resources import finder


class WindowsScriptMaker(distlib.scripts.ScriptMaker):
    bits = "64"

    def _get_launcher(self, kind):
        return finder("distlib").find(f"{kind}{self.bits}.exe").bytes


def main():
    out, bits, kinds = sys.argv[1:4]
    maker = WindowsScriptMaker(None, out, add_launchers=True)
    maker._is_nt = True
    maker.bits = bits
    maker.executable = "C:\\Python311\\python.exe"
    maker.variants = {""}
    if "t" in kinds:
        print(*maker.make("hello = hello.main:run"))
    if "w" in kinds:
        print(*maker.make("hellow = hello.main:run", {"gui": True}))


if __name__ == "__main__":
    main()

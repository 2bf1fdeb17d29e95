#!/usr/bin/env python3
"""Writes the small seed corpora of the version-resource fuzzers.

corpus/pe_version/*: tiny PE32 and PE32+ files with a version resource.
corpus/version_block/*: bare VS_VERSIONINFO blocks, each after the one
selector byte the block fuzzer reads first (0: no extra query path).
corpus/toolchain_evidence/*: those PE files with a Rich header (its checksum
right, and wrong), and with the texts toolchains state after them.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def node(key, value=b"", text=True, children=()):
    body = pad4(struct.pack("<HHH", 0, 0, 0) + (key + "\0").encode("utf-16-le")) + value
    for child in children:
        body = pad4(body) + child
    value_length = len(value) // 2 if text else len(value)
    return struct.pack("<HHH", len(body), value_length, 1 if text else 0) + body[6:]


def string(key, value):
    return node(key, (value + "\0").encode("utf-16-le"))


def fixed(a, b, c, d):
    ms, ls = a << 16 | b, c << 16 | d
    return struct.pack("<13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0)


def block(table, translation, strings, fixed_part=fixed(1, 2, 3, 4)):
    tables = node("StringFileInfo", children=[node(table, children=[string(k, v) for k, v in strings])])
    var = node("VarFileInfo", children=[node("Translation", struct.pack("<I", translation), text=False)])
    return node("VS_VERSION_INFO", fixed_part, text=False, children=[tables, var])


def pe(resource, plus=False, language=0x0409):
    section_offset, section_rva = 0x200, 0x1000
    # Root -> type 16 -> name 1 -> language -> data entry -> data.
    tree = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 16, 0x80000000 | 24)
    tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 1, 0x80000000 | 48)
    tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", language, 72)
    tree += struct.pack("<IIII", section_rva + 88, len(resource), 0, 0)
    tree += resource
    raw = tree + b"\0" * (-len(tree) % 0x200)
    optional_size = 0xF0 if plus else 0xE0
    header = bytearray(section_offset)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    header[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", header, 0x44, 0x8664 if plus else 0x14C, 1, 0, 0, 0, optional_size, 0x2102)
    optional = 0x58
    struct.pack_into("<H", header, optional, 0x20B if plus else 0x10B)
    struct.pack_into("<II", header, optional + 32, 0x1000, 0x200)
    struct.pack_into("<II", header, optional + 56, section_rva + 0x1000, section_offset)
    struct.pack_into("<I", header, optional + (108 if plus else 92), 16)
    struct.pack_into("<II", header, optional + (112 if plus else 96) + 16, section_rva, len(tree))
    section = optional + optional_size
    header[section:section + 8] = b".rsrc\0\0\0"
    struct.pack_into("<IIII", header, section + 8, len(tree), section_rva, len(raw), section_offset)
    struct.pack_into("<I", header, section + 36, 0x40000040)
    return bytes(header) + raw


def rol(value, by):
    by %= 32
    return ((value << by) | (value >> (32 - by))) & 0xFFFFFFFF


def with_rich_header(image, entries, forged=False):
    """Moves the PE header to 0xC0 and writes a Rich header of (product,
    build, count) entries at 0x80, masked with its checksum."""
    data = bytearray(image)
    pe_header = bytes(data[0x40:0x200 - 0x80])
    data[0x40:0x200] = b"\0" * (0x200 - 0x40)
    data[0xC0:0xC0 + len(pe_header)] = pe_header
    struct.pack_into("<I", data, 0x3C, 0xC0)
    checksum = 0x80
    for i in range(0x80):
        if not 0x3C <= i < 0x40:
            checksum = (checksum + rol(data[i], i)) & 0xFFFFFFFF
    for product, build, count in entries:
        checksum = (checksum + rol(product << 16 | build, count)) & 0xFFFFFFFF
    key = checksum ^ (1 if forged else 0)
    words = [0x536E6144, 0, 0, 0] + [w for p, b, c in entries for w in (p << 16 | b, c)]
    at = 0x80
    for word in words:
        struct.pack_into("<I", data, at, word ^ key)
        at += 4
    data[at:at + 4] = b"Rich"
    struct.pack_into("<I", data, at + 4, key)
    return bytes(data)


def stated_texts():
    go_version, go_module = b"go1.21.4", b"path\texample.com/tool\nmod\texample.com/tool\tv1.2.3\n"
    go = (b"\xff Go buildinf:" + bytes([8, 2]) + b"\0" * 16 + bytes([len(go_version)]) + go_version
          + bytes([len(go_module)]) + go_module)
    return (b"\0GCC: (GNU) 12-win32\0" + b"\0FPC 3.2.2 [2021/05/19] for x86_64 - Win64\0"
            + b" Delphi for Win32 compiler version 35.0 (28.0.48361.3236)\0" + b"\0" * 6 + go
            + b"/rustc/90c541806f23a127002de5b4038be731ba1458ca/library/std/src/io/mod.rs\0"
            + b"3.96\0UPX!" + b"<description>Nullsoft Install System v3.08</description>"
            + b"Inno Setup Setup Data (6.4.0)\0" + b"@(#) Packed by PAR::Packer 1.057\0\nPAR.pm\n")


def main():
    usual = block("040904E4", 0x04E40409, [("CompanyName", "Example Works"), ("FileVersion", "1, 2, 3, 4")])
    no_fixed = block("040704B0", 0x04B00407, [("Comments", "M\u00fcller \U0001F600")], fixed_part=b"")
    path = b"\\StringFileInfo\\040904E4\\CompanyName"
    seeds = {
        "pe_version": {
            "pe32": pe(usual),
            "pe32plus": pe(no_fixed, plus=True, language=0),
        },
        "toolchain_evidence": {
            # Visual Studio 2019 16.11: assembler, C compiler, linker; and an id no table knows.
            "rich": with_rich_header(pe(usual), [(0x0103, 30133, 4), (0x0104, 30133, 9), (0x0102, 30133, 1),
                                                 (0x7FFF, 1, 1)]),
            "rich_forged": with_rich_header(pe(no_fixed, plus=True), [(0x0104, 29913, 3)], forged=True),
            "stated_texts": pe(usual) + stated_texts(),
        },
        "version_block": {
            "usual": b"\0" + usual,
            "no_fixed_part": b"\0" + no_fixed,
            "with_path": bytes([len(path)]) + usual + path,
        },
    }
    for folder, files in seeds.items():
        os.makedirs(os.path.join(HERE, "corpus", folder), exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(HERE, "corpus", folder, name), "wb") as out:
                out.write(data)


if __name__ == "__main__":
    main()

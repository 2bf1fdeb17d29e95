#!/usr/bin/env python3
"""Draws the pictures of vantric.exe: the program icon, the hand cursor, the
six 16x16 button glyphs and the About window's banner. Standard library only; the outputs are committed under
app/resources/, so run this again only after changing a drawing here.

    python3 scripts/make-resources.py [OUTDIR]
"""
import os
import struct
import sys

# ---------------------------------------------------------------- glyphs
# One character per pixel. "." is the key colour: the bottom-left pixel of each
# glyph, which the button treats as transparent.
PALETTE = {
    ".": (255, 0, 255),
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "g": (128, 128, 128),
    "l": (192, 192, 192),
    "G": (0, 160, 0),
    "d": (0, 96, 0),
    "y": (255, 208, 64),
    "o": (176, 128, 0),
    "b": (0, 64, 192),
    "B": (96, 160, 255),
    "r": (200, 0, 0),
}

GLYPHS = {
    # A green "play" triangle.
    "run": """
................
................
...dd...........
...dGd..........
...dGGd.........
...dGGGd........
...dGGGGd.......
...dGGGGGd......
...dGGGGGd......
...dGGGGd.......
...dGGGd........
...dGGd.........
...dGd..........
...dd...........
................
................""",
    # An open folder.
    "open": """
................
................
..oooo..........
.oyyyyo.........
.oyyyyyooooooo..
.oyyyyyyyyyyyo..
.oyyoooooooooooo
.oyoyyyyyyyyyyo.
.oyoyyyyyyyyyyo.
.ooyyyyyyyyyyo..
.ooyyyyyyyyyyo..
.oyyyyyyyyyyo...
.ooooooooooooo..
................
................
................""",
    # A page of text.
    "view": """
................
..kkkkkkkkk.....
..kwwwwwwwkk....
..kwgggggwkwk...
..kwwwwwwwkkkk..
..kwggggggwwwk..
..kwwwwwwwwwwk..
..kwgggggggwwk..
..kwwwwwwwwwwk..
..kwggggggggwk..
..kwwwwwwwwwwk..
..kwgggggwwwwk..
..kwwwwwwwwwwk..
..kkkkkkkkkkkk..
................
................""",
    # Hex digits under a magnifying glass.
    "biew": """
................
.kkkkkkkkkkk....
.kwwwwwwwwwk....
.kwbwbbwbwbk....
.kwwwwwbbbbbw...
.kwbbwbwwwwwbw..
.kwwwwbwBBBwwb..
.kwbwbbwBwwwwb..
.kwwwwbwwwwwwb..
.kkkkkbwwwwwwb..
......bwwwwwb...
.......bbbbbkk..
............kkk.
.............kkk
..............kk
................""",
    # A red push-pin.
    "ontop": """
................
......kkkk......
.....krrrrk.....
.....krrwrk.....
.....krrrrk.....
.....krrrrk.....
....kkrrrrkk....
...krrrrrrrrk...
...kkkkkkkkkk...
.......gg.......
.......gg.......
.......gg.......
.......g........
.......g........
................
................""",
    # A blue "i" in a circle.
    "about": """
................
.....bbbbbb.....
...bbbbbbbbbb...
..bbbbbwwbbbbb..
..bbbbbwwbbbbb..
.bbbbbbbbbbbbbb.
.bbbbbwwwbbbbbb.
.bbbbbbwwbbbbbb.
.bbbbbbwwbbbbbb.
.bbbbbbwwbbbbbb.
.bbbbbbwwbbbbbb.
..bbbbwwwwbbbb..
..bbbbbbbbbbbb..
...bbbbbbbbbb...
.....bbbbbb.....
................""",
}


def rows_of(art):
    rows = [r for r in art.strip("\n").split("\n")]
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), art
    return rows


def bmp24(rows, palette=PALETTE):
    """A bottom-up 24-bit BMP file; `palette` maps a row's items to (r, g, b)."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for ch in row:
            r, g, b = palette[ch]
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


# ---------------------------------------------------------------- banner
# The About window's vertical banner: black at the top to pure blue at the
# bottom, with "Vantric 2000" in white reading from bottom to top.
BANNER_SIZE = (53, 301)
BANNER_TEXT = "Vantric 2000"
BANNER_SCALE = 3
FONT_5X7 = {
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "t": [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "c": [".....", ".....", ".###.", "#....", "#....", "#...#", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    " ": ["....."] * 7,
}


def banner():
    width, height = BANNER_SIZE
    # Row y of the picture, top first: a grey level of blue.
    rows = [[(0, 0, round(255 * y / (height - 1)))] * width for y in range(height)]
    scale = BANNER_SCALE
    advance = 6 * scale
    length = len(BANNER_TEXT) * advance - scale
    thickness = 7 * scale
    left = (width - thickness) // 2
    bottom = height - 1 - (height - length) // 2
    # Text space (u along the text, v down a letter) turned a quarter left:
    # the letters' tops face the left edge, the text runs upwards.
    for index, ch in enumerate(BANNER_TEXT):
        for v, line in enumerate(FONT_5X7[ch]):
            for column, bit in enumerate(line):
                if bit != "#":
                    continue
                for du in range(scale):
                    for dv in range(scale):
                        u = index * advance + column * scale + du
                        rows[bottom - u][left + v * scale + dv] = (255, 255, 255)
    identity = {colour: colour for row in rows for colour in row}
    return bmp24(rows, identity)


# ---------------------------------------------------------------- icon
def icon_image(size):
    """32-bit BGRA image with an AND mask: a blue tile, a white page and a
    magnifying glass over it."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0

    def put(x, y, rgba):
        if 0 <= x < size and 0 <= y < size:
            px[y][x] = rgba

    blue, dark, white, grey, glass, rim = (
        (40, 90, 200, 255), (10, 30, 90, 255), (255, 255, 255, 255),
        (150, 150, 150, 255), (190, 225, 255, 255), (60, 60, 60, 255))
    # Rounded tile.
    r = 5 * s
    for y in range(size):
        for x in range(size):
            cx = min(max(x + 0.5, r), size - r)
            cy = min(max(y + 0.5, r), size - r)
            d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
            if d <= r:
                edge = d > r - 1.2 or x == 0 or y == 0 or x == size - 1 or y == size - 1
                put(x, y, dark if edge else blue)
    # Page with text lines.
    x0, y0, x1, y1 = int(6 * s), int(4 * s), int(21 * s), int(27 * s)
    for y in range(y0, y1):
        for x in range(x0, x1):
            border = x in (x0, x1 - 1) or y in (y0, y1 - 1)
            put(x, y, dark if border else white)
    for ly in range(int(8 * s), y1 - 2, max(2, int(3 * s))):
        for x in range(x0 + 2, x1 - 2):
            put(x, ly, grey)
    # Magnifying glass.
    gx, gy, gr = 19 * s, 17 * s, 7 * s
    for y in range(size):
        for x in range(size):
            d = ((x + 0.5 - gx) ** 2 + (y + 0.5 - gy) ** 2) ** 0.5
            if d <= gr - 1.5 * s:
                put(x, y, glass)
            elif d <= gr:
                put(x, y, rim)
    for t in range(int(9 * s)):
        for w in range(-int(1.5 * s), int(1.5 * s) + 1):
            put(int(gx + 4.5 * s + t) + w, int(gy + 4.5 * s + t), rim)
    return px


def ico(sizes):
    images = []
    for size in sizes:
        px = icon_image(size)
        xor = bytearray()
        for row in reversed(px):
            for (r, g, b, a) in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        and_mask = bytearray()
        for row in reversed(px):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            and_mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
        images.append((size, info + xor + and_mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


# ---------------------------------------------------------------- cursor
# A pointing hand, 32x32, monochrome. "#" black outline, "w" white, anything
# else transparent. The hot spot is the tip of the finger.
HAND = """
......##........................
.....#ww#.......................
.....#ww#.......................
.....#ww#.......................
.....#ww#.......................
.....#ww###.....................
.....#ww#ww###..................
.....#ww#ww#ww##................
..##.#ww#ww#ww#w#...............
.#ww##wwwwwwwwww#...............
.#www#wwwwwwwwww#...............
..#ww#wwwwwwwwww#...............
..#wwwwwwwwwwwww#...............
...#wwwwwwwwwwww#...............
...#wwwwwwwwwww#................
....#wwwwwwwwww#................
....#wwwwwwwww#.................
.....#wwwwwwww#.................
.....#wwwwwwww#.................
.....##########.................
"""
HAND_HOTSPOT = (6, 0)


def cur():
    rows = [r for r in HAND.strip("\n").split("\n")]
    rows += ["." * 32] * (32 - len(rows))
    rows = [r.ljust(32, ".") for r in rows]
    xor = bytearray()
    and_mask = bytearray()
    for row in reversed(rows):
        xbits = bytearray(4)
        abits = bytearray(4)
        for x, ch in enumerate(row):
            if ch == "w":
                xbits[x // 8] |= 0x80 >> (x % 8)
            elif ch != "#":
                abits[x // 8] |= 0x80 >> (x % 8)
        xor += xbits
        and_mask += abits
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(and_mask), 0, 0, 2, 0)
    data = info + palette + xor + and_mask
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, HAND_HOTSPOT[0], HAND_HOTSPOT[1], len(data), 6 + 16)
    return header + entry + data


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "app", "resources")
    os.makedirs(outdir, exist_ok=True)
    files = {"vantric.ico": ico([32, 16]), "handcur.cur": cur()}
    for name, art in GLYPHS.items():
        files["glyph_%s.bmp" % name] = bmp24(rows_of(art))
    files["about_banner.bmp"] = banner()
    for name, data in files.items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)
    print("make-resources: wrote %d files to %s" % (len(files), outdir))


if __name__ == "__main__":
    main()

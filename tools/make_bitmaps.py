#!/usr/bin/env python3
"""Draws the panel's two bitmaps and writes them as 16-colour BMP files.

    tools/make_bitmaps.py [output folder]   (default: resources/bitmaps)

104: the product logo for the Main Panel's light grey banner, 103 x 24.
105: the four-channel emblem beside it, 77 x 41.
Run once after changing a drawing; the BMP files are kept in the repository.
"""
import os
import struct
import sys

# The classic 16-colour palette, by name.
PALETTE = [
    ("black", (0, 0, 0)), ("maroon", (128, 0, 0)), ("green", (0, 128, 0)),
    ("olive", (128, 128, 0)), ("navy", (0, 0, 128)), ("purple", (128, 0, 128)),
    ("teal", (0, 128, 128)), ("silver", (192, 192, 192)), ("grey", (128, 128, 128)),
    ("red", (255, 0, 0)), ("lime", (0, 255, 0)), ("yellow", (255, 255, 0)),
    ("blue", (0, 0, 255)), ("fuchsia", (255, 0, 255)), ("aqua", (0, 255, 255)),
    ("white", (255, 255, 255)),
]
C = {name: i for i, (name, _) in enumerate(PALETTE)}

# 5 x 7 glyphs of the few characters the drawings need.
GLYPHS = {
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "C": [".####", "#....", "#....", "#....", "#....", "#....", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
}


class Canvas:
    def __init__(self, width, height, fill):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Fills x0..x1-1, y0..y1-1."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def round_rect(self, x0, y0, x1, y1, radius, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                dx = max(x0 + radius - x - 0.5, 0, x - (x1 - radius) + 0.5)
                dy = max(y0 + radius - y - 0.5, 0, y - (y1 - radius) + 0.5)
                if dx * dx + dy * dy <= radius * radius:
                    self.put(x, y, c)

    def disc(self, cx, cy, radius, c):
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius:
                    self.put(x, y, c)

    def text(self, x, y, s, c, sx=1, sy=1, gap=1):
        for ch in s:
            if ch == " ":
                x += 3 * sx
                continue
            for row, line in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(line):
                    if bit == "#":
                        self.rect(x + col * sx, y + row * sy, x + (col + 1) * sx, y + (row + 1) * sy, c)
            x += 5 * sx + gap
        return x


def logo():
    """The product's mark: a navy tile crossed by a yellow serial waveform,
    then the name in navy with a teal rule underneath."""
    cv = Canvas(103, 24, C["silver"])
    cv.round_rect(1, 2, 21, 22, 4, C["navy"])
    # A square wave, one bit cell per 3 pixels: 0 1 0 1 1 0.
    levels = [0, 1, 0, 1, 1, 0]
    x = 3
    prev = None
    for bit in levels:
        y = 8 if bit else 15
        if prev is not None and prev != bit:
            for yy in range(8, 16):
                cv.put(x, yy, C["yellow"])
        for xx in range(x, x + 3):
            cv.put(xx, y, C["yellow"])
        x += 3
        prev = bit
    cv.rect(4, 18, 18, 19, C["aqua"])
    # Name with a one-pixel grey drop shadow so it reads on the light banner.
    cv.text(26, 4, "TSX4410", C["grey"], sx=2, sy=2, gap=1)
    cv.text(25, 3, "TSX4410", C["navy"], sx=2, sy=2, gap=1)
    cv.rect(25, 20, 101, 22, C["teal"])
    return cv


def mark():
    """An emblem of four channels: a white badge in a navy frame, four
    coloured lanes running into a teal disc, and "4CH" beneath. The badge
    keeps to the top 37 rows, the height of the banner control it sits in;
    the rows below are banner grey."""
    cv = Canvas(77, 41, C["silver"])
    cv.round_rect(0, 0, 77, 37, 8, C["navy"])
    cv.round_rect(2, 2, 75, 35, 6, C["white"])
    lanes = [C["red"], C["green"], C["blue"], C["olive"]]
    for i, colour in enumerate(lanes):
        y = 6 + i * 5
        cv.rect(7, y, 40, y + 2, colour)
    cv.disc(48, 13.5, 10, C["teal"])
    cv.disc(48, 13.5, 6, C["white"])
    cv.disc(48, 13.5, 3, C["teal"])
    cv.text(27, 26, "4CH", C["navy"], sx=1, sy=1, gap=2)
    cv.rect(8, 29, 22, 30, C["grey"])
    cv.rect(51, 29, 69, 30, C["grey"])
    return cv


def write_bmp(path, cv):
    row_bytes = ((cv.w + 1) // 2 + 3) & ~3
    pixels = bytearray()
    for y in range(cv.h - 1, -1, -1):  # bottom-up
        row = cv.px[y]
        packed = bytearray()
        for x in range(0, cv.w, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < cv.w else 0
            packed.append((hi << 4) | lo)
        packed.extend(b"\0" * (row_bytes - len(packed)))
        pixels.extend(packed)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 4, 0, len(pixels), 3780, 3780, 16, 16)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "bitmaps")
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "logo_104.bmp"), logo())
    write_bmp(os.path.join(out, "mark_105.bmp"), mark())


if __name__ == "__main__":
    main()

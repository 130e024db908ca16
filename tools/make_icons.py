#!/usr/bin/env python3
"""Turns the 16x16 pixel maps in resources/icons/ into Windows .ico files.

A map is a plain text file:

    ; comment lines start with a semicolon; blank lines are ignored
    K = #3A3020        outline        (palette: one character, '=', a colour,
    W = #FFFBEA        body            then optional words describing it)
    S = #00000040      soft shadow    (#RRGGBBAA for a partly transparent one)
    ................   then exactly 16 rows of exactly 16 characters;
    .KKKKKKKKKKKKKK.   '.' is always transparent and needs no palette line
    ...

Usage:
    make_icons.py MAP.txt OUT.ico              one icon
    make_icons.py --sheet OUT.png [MAP.txt...] a magnified preview of the maps
                                               (all of resources/icons/ when
                                               none are named)

Each .ico holds one 16x16 image: a 32-bit BGRA bitmap plus the 1-bit AND
mask, so both alpha-aware and old mask-only drawing see the same shape.
Standard library only.
"""

import os
import re
import struct
import sys
import zlib

SIZE = 16
TRANSPARENT = "."
RESERVED = set(";=#") | {" ", "\t"}

_PALETTE_LINE = re.compile(
    r"^(?P<char>\S)\s*=\s*(?P<colour>\S+)(?:\s+(?P<note>.*))?$")
_COLOUR = re.compile(r"^#([0-9A-Fa-f]{6})([0-9A-Fa-f]{2})?$")


class MapError(Exception):
    """A pixel map that cannot be turned into an icon; the text says where."""


class PixelMap:
    """A parsed map: `pixels[y][x]` is an (r, g, b, a) tuple, row 0 on top."""

    def __init__(self, name, pixels):
        self.name = name
        self.pixels = pixels


def parse_map(text, name="<map>"):
    palette = {TRANSPARENT: (0, 0, 0, 0)}
    rows = []
    for number, raw in enumerate(text.splitlines(), 1):
        where = "%s:%d" % (name, number)
        line = raw.rstrip()
        if not line.strip() or line.lstrip().startswith(";"):
            continue
        entry = _PALETTE_LINE.match(line) if "=" in line else None
        if entry:
            if rows:
                raise MapError("%s: palette line after the pixel rows began"
                               % where)
            char, colour = entry.group("char"), entry.group("colour")
            if char == TRANSPARENT:
                raise MapError("%s: '.' is always transparent and cannot be "
                               "given a colour" % where)
            if char in RESERVED:
                raise MapError("%s: %r cannot be a pixel character"
                               % (where, char))
            if char in palette:
                raise MapError("%s: %r is defined twice" % (where, char))
            found = _COLOUR.match(colour)
            if not found:
                raise MapError("%s: colour %r is not #RRGGBB or #RRGGBBAA"
                               % (where, colour))
            rgb = bytes.fromhex(found.group(1))
            alpha = int(found.group(2), 16) if found.group(2) else 255
            palette[char] = (rgb[0], rgb[1], rgb[2], alpha)
            continue
        if "=" in line:
            raise MapError("%s: malformed palette line %r (expected "
                           "'X = #RRGGBB')" % (where, line.strip()))
        if line != line.lstrip():
            raise MapError("%s: pixel row is indented" % where)
        if len(rows) == SIZE:
            raise MapError("%s: more than %d pixel rows" % (where, SIZE))
        if len(line) != SIZE:
            raise MapError("%s: pixel row %d is %d characters wide, not %d"
                           % (where, len(rows) + 1, len(line), SIZE))
        row = []
        for column, char in enumerate(line, 1):
            if char not in palette:
                raise MapError("%s: column %d: %r is not in the palette"
                               % (where, column, char))
            row.append(palette[char])
        rows.append(row)
    if len(rows) != SIZE:
        raise MapError("%s: %d pixel rows, not %d" % (name, len(rows), SIZE))
    return PixelMap(name, rows)


def read_map(path):
    try:
        with open(path, encoding="ascii") as f:
            text = f.read()
    except UnicodeDecodeError:
        raise MapError("%s: a map must be plain ASCII" % path)
    except OSError as e:
        raise MapError("%s: %s" % (path, e.strerror))
    return parse_map(text, path)


# ---------------------------------------------------------------------------
# .ico

def ico_bytes(pixel_map):
    """One-image icon file: ICONDIR, one ICONDIRENTRY, then the DIB."""
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((SIZE + 31) // 32) * 4          # rows padded to 32 bits
    for row in reversed(pixel_map.pixels):          # DIBs run bottom-up
        bits = 0
        for x, (r, g, b, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (SIZE - 1 - x)
                r = g = b = 0
            xor += bytes((b, g, r, a))
        mask += bits.to_bytes(SIZE // 8, "big").ljust(mask_stride, b"\0")
    header = struct.pack(
        "<IiiHHIIiiII",
        40,               # biSize
        SIZE,             # biWidth
        SIZE * 2,         # biHeight: colour bitmap and mask together
        1,                # biPlanes
        32,               # biBitCount
        0,                # biCompression = BI_RGB
        len(xor) + len(mask),
        0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image),
                        len(directory) + 16)
    return directory + entry + image


def write_ico(map_path, ico_path):
    data = ico_bytes(read_map(map_path))
    temporary = ico_path + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, ico_path)


# ---------------------------------------------------------------------------
# Preview sheet

_DIGITS = {   # 3x5 figures for the labels
    "0": "111101101101111", "1": "010110010010111", "2": "111001111100111",
    "3": "111001111001111", "4": "101101111001001", "5": "111100111001111",
    "6": "111100111101111", "7": "111001010010010", "8": "111101111101111",
    "9": "111101111001111",
}


def png_bytes(width, height, rgb_rows):
    def chunk(kind, data):
        body = kind + data
        return (struct.pack(">I", len(data)) + body
                + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(row) for row in rgb_rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                         0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def _blend(under, pixel):
    r, g, b, a = pixel
    return tuple((c * a + u * (255 - a)) // 255
                 for c, u in zip((r, g, b), under))


def sheet_bytes(maps, scale=8, columns=6):
    """Each cell: the map magnified over a checkerboard, its number under it,
    and beside that the icon at its real size on a light and a dark ground,
    the way it shows in a menu or the notification area."""
    pad = 12
    label = 5 * 2 + 6
    cell_w = SIZE * scale + pad
    cell_h = SIZE * scale + label + pad
    rows_of_cells = (len(maps) + columns - 1) // columns
    width = columns * cell_w + pad
    height = rows_of_cells * cell_h + pad
    canvas = [[(150, 150, 150)] * width for _ in range(height)]

    def put(x, y, colour):
        canvas[y][x] = colour

    for index, pixel_map in enumerate(maps):
        left = pad + (index % columns) * cell_w
        top = pad + (index // columns) * cell_h
        for y in range(SIZE * scale):
            for x in range(SIZE * scale):
                check = ((x // 4) + (y // 4)) % 2
                ground = (236, 236, 236) if check else (206, 206, 206)
                put(left + x, top + y,
                    _blend(ground, pixel_map.pixels[y // scale][x // scale]))
        # The number, from the file name ("110-envelope.txt" -> "110").
        digits = re.match(r"\d*", os.path.basename(pixel_map.name)).group()
        x0, y0 = left, top + SIZE * scale + 4
        for n, digit in enumerate(digits):
            glyph = _DIGITS[digit]
            for i, bit in enumerate(glyph):
                if bit == "1":
                    for dy in range(2):
                        for dx in range(2):
                            put(x0 + n * 8 + (i % 3) * 2 + dx,
                                y0 + (i // 3) * 2 + dy, (0, 0, 0))
        # Actual size, on white and on a dark taskbar colour.
        for k, ground in enumerate(((255, 255, 255), (32, 40, 56))):
            gx = left + SIZE * scale - 2 * (SIZE + 2) + k * (SIZE + 2)
            gy = top + SIZE * scale + 1
            for y in range(SIZE):
                for x in range(SIZE):
                    put(gx + x, gy + y, _blend(ground, pixel_map.pixels[y][x]))
    flat = [[channel for pixel in row for channel in pixel] for row in canvas]
    return png_bytes(width, height, flat)


def default_maps():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = os.path.join(here, os.pardir, "resources", "icons")
    return sorted(os.path.join(folder, name) for name in os.listdir(folder)
                  if name.endswith(".txt"))


def main(argv):
    usage = ("usage: make_icons.py MAP.txt OUT.ico\n"
             "       make_icons.py --sheet OUT.png [MAP.txt...]")
    try:
        if argv and argv[0] == "--sheet":
            if len(argv) < 2:
                print(usage, file=sys.stderr)
                return 2
            paths = argv[2:] or default_maps()
            data = sheet_bytes([read_map(p) for p in paths])
            with open(argv[1], "wb") as f:
                f.write(data)
            return 0
        if len(argv) != 2:
            print(usage, file=sys.stderr)
            return 2
        write_ico(argv[0], argv[1])
        return 0
    except MapError as e:
        print("make_icons: %s" % e, file=sys.stderr)
        return 1
    except OSError as e:
        print("make_icons: %s: %s" % (e.filename, e.strerror), file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

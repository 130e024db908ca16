#!/usr/bin/env python3
"""Turns the pixel maps in resources/icons/ into Windows .ico files.

A map is a plain text file:

    ; comment lines start with a semicolon; blank lines are ignored
    K = #3A3020        outline        (palette: one character, '=', a colour,
    W = #FFFBEA        body            then optional words describing it)
    S = #00000040      soft shadow    (#RRGGBBAA for a partly transparent one)
    ................   then exactly 16 rows of exactly 16 characters;
    .KKKKKKKKKKKKKK.   '.' is always transparent and needs no palette line
    ...
    size 24            then, if wanted, larger drawings of the same picture:
    ...                a "size N" line and N rows of N characters, for
    size 32            N = 24 and 32, in that order
    ...

The palette comes before all the rows and serves every size. The 16x16 map
may be headed "size 16" too.

Usage:
    make_icons.py MAP.txt OUT.ico              one icon
    make_icons.py --sheet OUT.png [MAP.txt...] a magnified preview of the maps
                                               (all of resources/icons/ when
                                               none are named)

Each .ico holds one image per size, smallest first: a 32-bit BGRA bitmap plus
the 1-bit AND mask, so both alpha-aware and old mask-only drawing see the same
shape. Windows picks the image nearest the size it asks for, so a tray icon
at 150 % or 200 % scaling gets a drawing of its own instead of a blurred
16x16 one. Standard library only.
"""

import os
import re
import struct
import sys
import zlib

SIZES = (16, 24, 32)     # the first is required, the others optional
TRANSPARENT = "."
RESERVED = set(";=#") | {" ", "\t"}

_PALETTE_LINE = re.compile(
    r"^(?P<char>\S)\s*=\s*(?P<colour>\S+)(?:\s+(?P<note>.*))?$")
_COLOUR = re.compile(r"^#([0-9A-Fa-f]{6})([0-9A-Fa-f]{2})?$")
_SIZE_LINE = re.compile(r"^size\s+(\d+)$")


class MapError(Exception):
    """A pixel map that cannot be turned into an icon; the text says where."""


class PixelMap:
    """A parsed map: `images[size][y][x]` is an (r, g, b, a) tuple, row 0 on
    top; `images` runs from the smallest size up and always holds 16."""

    def __init__(self, name, images):
        self.name = name
        self.images = images


def _palette_entry(entry, palette, where):
    char, colour = entry.group("char"), entry.group("colour")
    if char == TRANSPARENT:
        raise MapError("%s: '.' is always transparent and cannot be "
                       "given a colour" % where)
    if char in RESERVED:
        raise MapError("%s: %r cannot be a pixel character" % (where, char))
    if char in palette:
        raise MapError("%s: %r is defined twice" % (where, char))
    found = _COLOUR.match(colour)
    if not found:
        raise MapError("%s: colour %r is not #RRGGBB or #RRGGBBAA"
                       % (where, colour))
    rgb = bytes.fromhex(found.group(1))
    alpha = int(found.group(2), 16) if found.group(2) else 255
    palette[char] = (rgb[0], rgb[1], rgb[2], alpha)


def parse_map(text, name="<map>"):
    palette = {TRANSPARENT: (0, 0, 0, 0)}
    images = {}
    size, rows = SIZES[0], []
    started = False     # a pixel row or a "size" line has been read

    def close(where):
        if len(rows) != size:
            raise MapError("%s: %d pixel rows in the %dx%d map, not %d"
                           % (where, len(rows), size, size, size))
        images[size] = rows

    for number, raw in enumerate(text.splitlines(), 1):
        where = "%s:%d" % (name, number)
        line = raw.rstrip()
        if not line.strip() or line.lstrip().startswith(";"):
            continue
        entry = _PALETTE_LINE.match(line) if "=" in line else None
        if entry:
            if started:
                raise MapError("%s: palette line after the pixel rows began"
                               % where)
            _palette_entry(entry, palette, where)
            continue
        if "=" in line:
            raise MapError("%s: malformed palette line %r (expected "
                           "'X = #RRGGBB')" % (where, line.strip()))
        heading = _SIZE_LINE.match(line)
        if heading:
            wanted = int(heading.group(1))
            if not started and wanted == SIZES[0]:
                started = True          # names the first map; nothing to close
                continue
            if not started:
                raise MapError("%s: the %dx%d map must come first"
                               % (where, SIZES[0], SIZES[0]))
            if wanted not in SIZES or wanted <= size:
                raise MapError("%s: size %d cannot follow size %d (sizes: %s,"
                               " each once, smallest first)"
                               % (where, wanted, size,
                                  ", ".join(map(str, SIZES))))
            close(where)
            size, rows = wanted, []
            continue
        started = True
        if line != line.lstrip():
            raise MapError("%s: pixel row is indented" % where)
        if len(rows) == size:
            raise MapError("%s: more than %d pixel rows in the %dx%d map"
                           % (where, size, size, size))
        if len(line) != size:
            raise MapError("%s: pixel row %d is %d characters wide, not %d"
                           % (where, len(rows) + 1, len(line), size))
        row = []
        for column, char in enumerate(line, 1):
            if char not in palette:
                raise MapError("%s: column %d: %r is not in the palette"
                               % (where, column, char))
            row.append(palette[char])
        rows.append(row)
    close(name)
    return PixelMap(name, images)


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

def _dib(pixels):
    """One image as an icon stores it: BITMAPINFOHEADER, the BGRA rows, the
    AND mask rows (1 = transparent), both bottom up."""
    size = len(pixels)
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4          # rows padded to 32 bits
    for row in reversed(pixels):                    # DIBs run bottom-up
        bits = 0
        for x, (r, g, b, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (size - 1 - x)
                r = g = b = 0
            xor += bytes((b, g, r, a))
        mask += bits.to_bytes(size // 8, "big").ljust(mask_stride, b"\0")
    header = struct.pack(
        "<IiiHHIIiiII",
        40,               # biSize
        size,             # biWidth
        size * 2,         # biHeight: colour bitmap and mask together
        1,                # biPlanes
        32,               # biBitCount
        0,                # biCompression = BI_RGB
        len(xor) + len(mask),
        0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def ico_bytes(pixel_map):
    """Icon file: ICONDIR, one ICONDIRENTRY per size, then the images in the
    same order."""
    images = [(size, _dib(pixels))
              for size, pixels in sorted(pixel_map.images.items())]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32,
                                 len(image), offset)
        offset += len(image)
    return directory + b"".join(image for _, image in images)


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


def sheet_bytes(maps, box=192, panels_per_row=9):
    """Each map gets one panel per size, side by side: the drawing magnified
    to fill the same square (16x16 by box/16, 24x24 by box/24, ...), the way
    the sizes compare on screen at 100, 150 and 200 %; under it the image at
    its real size on a light and a dark ground, as in a menu or the
    notification area. The first panel carries the map's number. Panels line
    up in columns, so frames of one animation can be compared by eye."""
    pad = 12
    big = max(SIZES)
    panel_w = box + pad
    panel_h = box + 2 + big + pad
    placed = []                     # (map, first panel's column, row)
    column = row = 0
    for pixel_map in maps:
        count = len(pixel_map.images)
        if column and column + count > panels_per_row:
            column, row = 0, row + 1
        placed.append((pixel_map, column, row))
        column += count
    width = pad + panels_per_row * panel_w
    height = pad + (row + 1) * panel_h if maps else 2 * pad
    canvas = [[(150, 150, 150)] * width for _ in range(height)]

    def put(x, y, colour):
        canvas[y][x] = colour

    def draw_number(digits, x0, y0):
        for n, digit in enumerate(digits):
            for i, bit in enumerate(_DIGITS[digit]):
                if bit == "1":
                    for dy in range(2):
                        for dx in range(2):
                            put(x0 + n * 8 + (i % 3) * 2 + dx,
                                y0 + (i // 3) * 2 + dy, (0, 0, 0))

    check = max(1, box // 24)
    for pixel_map, column, row in placed:
        top = pad + row * panel_h
        for k, (size, pixels) in enumerate(sorted(pixel_map.images.items())):
            left = pad + (column + k) * panel_w
            scale = box // size
            for y in range(size * scale):
                for x in range(size * scale):
                    odd = ((x // check) + (y // check)) % 2
                    ground = (236, 236, 236) if odd else (206, 206, 206)
                    put(left + x, top + y,
                        _blend(ground, pixels[y // scale][x // scale]))
            # Real size, on white and on a dark taskbar colour.
            for n, ground in enumerate(((255, 255, 255), (32, 40, 56))):
                gx = left + box - (2 - n) * (size + 2) + 2
                gy = top + box + 2
                for y in range(size):
                    for x in range(size):
                        put(gx + x, gy + y, _blend(ground, pixels[y][x]))
        # The number, from the file name ("110-envelope.txt" -> "110").
        digits = re.match(r"\d*", os.path.basename(pixel_map.name)).group()
        draw_number(digits, pad + column * panel_w, top + box + 4)
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

"""What the build ships without a word when it is wrong: the .ico layout of
tools/make_icons.py and the icon lines of vestun.rc (run: python3 -m unittest
discover -s tests/tools)."""

import os
import re
import struct
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RESOURCES = os.path.join(ROOT, "resources")
sys.path.insert(0, os.path.join(ROOT, "tools"))

import make_icons  # noqa: E402


class IconTest(unittest.TestCase):
    def test_ico_is_one_bottom_up_bgra_image_with_its_mask(self):
        rows = ["." * 16] * 16
        rows[0] = "R" + "." * 14 + "S"      # top row: red, soft shadow
        rows[15] = "G" * 8 + "." * 8        # bottom row: half green
        text = "R = #FF0000\nG = #00FF00\nS = #10203040\n" + "\n".join(rows)
        data = make_icons.ico_bytes(make_icons.parse_map(text))
        self.assertEqual(struct.unpack_from("<HHHBBBBHHII", data),
                         (0, 1, 1, 16, 16, 0, 0, 1, 32, len(data) - 22, 22))
        self.assertEqual(struct.unpack_from("<IiiHHI", data, 22),
                         (40, 16, 32, 1, 32, 0))
        pixels, mask = data[62:62 + 16 * 16 * 4], data[62 + 16 * 16 * 4:]
        # Rows are stored bottom up; y counts from the top, as in the map.
        spots = [(0, 0), (15, 0), (1, 0), (0, 15), (8, 15)]
        self.assertEqual(
            [tuple(pixels[((15 - y) * 16 + x) * 4:][:4]) for x, y in spots],
            [(0, 0, 255, 255), (0x30, 0x20, 0x10, 0x40), (0, 0, 0, 0),
             (0, 255, 0, 255), (0, 0, 0, 0)])                # B G R A
        self.assertEqual(
            [bool(mask[(15 - y) * 4 + x // 8] & 0x80 >> x % 8)
             for x, y in spots], [False, False, True, False, True])

    def test_larger_drawings_follow_as_their_own_images(self):
        def square(size, corner):      # one opaque pixel, in the top left
            return [corner + "." * (size - 1)] + ["." * size] * (size - 1)
        text = "\n".join(["R = #FF0000", "G = #00FF00"] + square(16, "R")
                         + ["size 24"] + square(24, "G")
                         + ["size 32"] + square(32, "R"))
        data = make_icons.ico_bytes(make_icons.parse_map(text))
        self.assertEqual(struct.unpack_from("<HHH", data), (0, 1, 3))
        end = 6 + 3 * 16
        for n, size in enumerate((16, 24, 32)):
            width, height, _, _, planes, bits, length, offset = \
                struct.unpack_from("<BBBBHHII", data, 6 + n * 16)
            self.assertEqual((width, height, planes, bits, offset),
                             (size, size, 1, 32, end))
            self.assertEqual(struct.unpack_from("<IiiHH", data, offset),
                             (40, size, size * 2, 1, 32))
            pixels = data[offset + 40:][:size * size * 4]
            mask = data[offset + 40 + len(pixels):offset + length]
            top_left = pixels[(size - 1) * size * 4:][:4]     # B G R A
            self.assertEqual(top_left, bytes((0, 255, 0, 255) if size == 24
                                             else (0, 0, 255, 255)))
            # Mask rows are padded to 32 bits; the top row is the last.
            self.assertEqual(len(mask), size * 4)
            self.assertEqual(mask[-4:], (b"\x7f" + b"\xff" * (size // 8 - 1))
                             .ljust(4, b"\0"))
            end += length
        self.assertEqual(end, len(data))

    def test_every_icon_id_has_the_icon_of_its_number(self):
        with open(os.path.join(RESOURCES, "resource.h")) as f:
            ids = re.findall(r"^#define\s+(IDI_\w+)\s+(\d+)", f.read(), re.M)
        with open(os.path.join(RESOURCES, "vestun.rc"), "rb") as f:
            rc = f.read().decode("cp1251")
        self.assertEqual(dict(re.findall(r'^(IDI_\w+)\s+ICON\s+"(\d+)-', rc,
                                         re.M)), dict(ids))

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

    def test_every_icon_id_has_the_icon_of_its_number(self):
        with open(os.path.join(RESOURCES, "resource.h")) as f:
            ids = re.findall(r"^#define\s+(IDI_\w+)\s+(\d+)", f.read(), re.M)
        with open(os.path.join(RESOURCES, "vestun.rc"), "rb") as f:
            rc = f.read().decode("cp1251")
        self.assertEqual(dict(re.findall(r'^(IDI_\w+)\s+ICON\s+"(\d+)-', rc,
                                         re.M)), dict(ids))

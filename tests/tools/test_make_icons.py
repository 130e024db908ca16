"""What the build ships without a word when it is wrong: the .ico layout of
tools/make_icons.py and the icon lines of vestun.rc (run: python3 -m unittest
discover -s tests/tools). The tray's end-to-end checks read the 16-pixel
drawings off the screen, but not their masks nor the larger drawings."""

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
    def test_each_size_is_a_bottom_up_bgra_image_with_its_mask(self):
        def drawing(size, corner):     # top row: the corner's colour, a soft shadow at its end
            return [corner + "." * (size - 2) + "S"] + ["." * size] * (size - 1)
        text = "\n".join(["R = #FF0000", "G = #00FF00", "S = #10203040"] + drawing(16, "R")
                         + ["size 24"] + drawing(24, "G") + ["size 32"] + drawing(32, "R"))
        data = make_icons.ico_bytes(make_icons.parse_map(text))
        self.assertEqual(struct.unpack_from("<HHH", data), (0, 1, 3))
        end = 6 + 3 * 16
        for n, size in enumerate((16, 24, 32)):
            width, height, _, _, planes, bits, length, offset = \
                struct.unpack_from("<BBBBHHII", data, 6 + n * 16)
            self.assertEqual((width, height, planes, bits, offset),
                             (size, size, 1, 32, end))
            self.assertEqual(struct.unpack_from("<IiiHHI", data, offset),
                             (40, size, size * 2, 1, 32, 0))
            pixels = data[offset + 40:][:size * size * 4]
            mask = data[offset + 40 + len(pixels):offset + length]
            top = pixels[(size - 1) * size * 4:]               # B G R A, the last row stored
            self.assertEqual((top[:4], top[4:8], top[-4:]),
                             (bytes((0, 255, 0, 255) if size == 24 else (0, 0, 255, 255)),
                              bytes(4), bytes((0x30, 0x20, 0x10, 0x40))))
            # Mask rows are padded to 32 bits: only the transparent pixels are set.
            self.assertEqual(len(mask), size * 4)
            self.assertEqual(mask[-4:], (b"\x7f" + b"\xff" * (size // 8 - 2) + b"\xfe")
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
